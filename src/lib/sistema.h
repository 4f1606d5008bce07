// Entrada y salida POSIX de los frontales: escribir entero, leer hasta el final y textos de error.
#pragma once

#include <string>
#include <string_view>

namespace glifador {

/// Atiende las señales pendientes cuando una llamada bloqueante vuelve con EINTR;
/// falso si hay que abandonar (el que la pasa sabe por qué).
using AtenderSenales = bool (*)();

/// Escribe todos los bytes, reintentando escrituras parciales e interrumpidas. 0 o el errno.
int escribir_todo(int fd, std::string_view datos);

/// Lo leído de un descriptor hasta su final.
struct Lectura {
    std::string datos;
    int error = 0;             ///< errno del fallo, 0 si no lo hubo
    bool interrumpida = false; ///< `atender` pidió abandonar
};

/// Lee hasta el final. Sin `atender`, una lectura interrumpida se repite sin más.
Lectura leer_todo(int fd, AtenderSenales atender);

/// Lee un archivo entero; abrirlo o leerlo puede fallar como en `leer_todo`.
Lectura leer_archivo(const std::string& ruta, AtenderSenales atender);

/// Crea o vacía el archivo (permisos 0666 menos la máscara del proceso) y escribe `datos`. 0 o el errno.
int escribir_archivo(const std::string& ruta, std::string_view datos);

/// Texto de un error del sistema: su descripción y " (os error N)".
std::string texto_error_sistema(int err);

/// Texto de error de un flujo que no es UTF-8 válido.
inline constexpr std::string_view TEXTO_NO_UTF8 = "stream did not contain valid UTF-8";

/// UTF-8 estricto: sin formas largas, sustitutos ni puntos por encima de U+10FFFF.
bool es_utf8(std::string_view s);

}  // namespace glifador
