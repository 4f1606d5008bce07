// Conversión de los argumentos de Python a los tipos del núcleo.
// Cada función devuelve falso con la excepción de Python ya puesta.
#pragma once

#include "ref.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/imagen.h"
#include "core/opciones.h"

namespace glifador::py {

/// El ancho tal como llega: un número o un texto que aún hay que leer.
struct AnchoPy {
    bool es_texto = false;
    std::uint64_t n = 60;
    std::string texto;
};

bool convertir_imagen(PyObject* o, Imagen& salida);
bool convertir_ancho(PyObject* o, AnchoPy& salida);
bool convertir_str(PyObject* o, const char* nombre, std::string& salida);
bool convertir_bool(PyObject* o, const char* nombre, bool& salida);
bool convertir_float32(PyObject* o, const char* nombre, float& salida);
bool convertir_float64(PyObject* o, const char* nombre, double& salida);
bool convertir_u64(PyObject* o, const char* nombre, std::uint64_t& salida);
bool convertir_u64_opcional(PyObject* o, const char* nombre, std::optional<std::uint64_t>& salida);
bool convertir_umbral(PyObject* o, std::optional<std::uint8_t>& salida);
/// Una secuencia de str (un str solo no lo es).
bool convertir_lista_str(PyObject* o, const char* nombre, std::vector<std::string>& salida);
/// Fotogramas: un str es un fotograma; una secuencia de str, uno por elemento.
bool convertir_fotogramas(PyObject* o, std::vector<std::string>& salida);

/// Las diez opciones de dibujo que dibujar y animar reciben en el mismo orden: ancho,
/// aspecto, repetir, espacios, umbral, invertir, huecos, suavizar, desfase y color.
struct ArgsDibujo {
    AnchoPy ancho;
    std::string espacios = "normal";
    Opciones op;
};
/// Convierte las que llegaron (nullptr = la de omisión), en su orden.
bool convertir_opciones_dibujo(PyObject* const o[10], ArgsDibujo& a);

/// Decodifica la imagen y suelta sus bytes codificados; el fallo se lanza a Python.
bool cargar(Imagen& imagen, ImagenRgba& salida);

/// Lee el texto de `ancho` (si llegó como texto) y luego el de `espacios`, y los pone en
/// `op`; el primer fallo se lanza como excepción de Python.
bool leer_ancho_y_espacios(const AnchoPy& ancho, const std::string& espacios, Opciones& op);

/// Un double estrechado a float con redondeo al más cercano (infinito si no cabe).
float a_float32(double v);

/// Un str nuevo a partir de UTF-8.
Ref nuevo_str(const std::string& s);

}  // namespace glifador::py
