// La línea de órdenes: de la lista de argumentos a lo que hay que imprimir, reproducir o avisar.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "animacion/colores_ansi.h"
#include "core/imagen.h"
#include "sistema.h"

namespace glifador {

// Lo que decide ejecutar_cli

/// Texto para la salida estándar, seguido de "\n"; código 0.
struct Imprimir {
    std::string texto;
};

/// Una animación para la terminal; código 0 al acabar o con Ctrl+C.
struct Reproducir {
    std::vector<std::string> fotogramas;
    double intervalo = 0.0;
    std::optional<std::uint64_t> veces;  ///< vacío = hasta Ctrl+C
    std::vector<Rgb> colores;            ///< paradas del degradado; vacío = sin degradado
};

/// Mensaje vacío = la ayuda (código 0); si no, un error (código 2).
struct Error {
    std::string mensaje;
};

/// Un manejador de señales pidió abandonar mientras se esperaba la entrada.
struct Interrumpida {};

using Accion = std::variant<Imprimir, Reproducir, Error, Interrumpida>;

/// El texto de -h/--help, sin salto de línea final.
extern const std::string_view AYUDA;

/// Lo que la orden lee y escribe fuera del proceso; cada función nula es la de verdad. El
/// fuzzing pone las suyas para no tocar archivos ni la entrada estándar.
struct EntradaSalida {
    Lectura (*leer_archivo)(const std::string& ruta, AtenderSenales atender) = nullptr;
    Lectura (*leer_entrada)(AtenderSenales atender) = nullptr;
    Resultado<ImagenRgba> (*cargar_imagen)(const Imagen& imagen) = nullptr;
    int (*escribir_archivo)(const std::string& ruta, std::string_view datos) = nullptr;
};

/// Hace todo el trabajo de la orden. `args` no incluye el nombre del programa.
/// `atender` se llama si una lectura de la entrada se interrumpe (nulo = reintentar).
Accion ejecutar_cli(const std::vector<std::string>& args, AtenderSenales atender = nullptr,
                    const EntradaSalida& es = {});

/// Las dos líneas que van a la salida de error con un mensaje no vacío.
std::string linea_de_error(std::string_view mensaje);

// Lectura de números escritos por el usuario

/// Signo opcional, cifras con fracción y exponente opcionales, o "inf", "infinity" y "nan"
/// en cualquier caja; sin blancos. Lo que se sale del rango da infinito o cero.
bool leer_real(std::string_view texto, double* valor);
bool leer_real(std::string_view texto, float* valor);

}  // namespace glifador
