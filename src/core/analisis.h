// Análisis de la silueta: cuántas letras caben y cómo se reparten, sin escribir nada.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fallo.h"
#include "imagen.h"
#include "opciones.h"
#include "silueta.h"

namespace glifador {

// Medidas a un ancho

/// Una silueta medida a un número de columnas; campos en el orden del diccionario de Python.
struct Analisis {
    std::uint64_t ancho = 0;
    std::uint64_t filas = 0;                     ///< de la primera a la última fila con figura
    std::uint64_t letras = 0;                    ///< celdas de figura
    std::vector<std::uint64_t> letras_por_fila;  ///< una entrada por fila del intervalo
    std::uint64_t tramos = 0;                    ///< rachas de celdas de figura dentro de una fila
    std::uint64_t tramo_min = 0;
    std::uint64_t tramo_max = 0;
    std::string plantilla;  ///< "#" y " " desde la columna de figura más a la izquierda
};

/// Mide la silueta a `columnas`; SinSilueta si la rejilla no tiene ninguna celda de figura.
Resultado<Analisis> analizar_ancho(const Silueta& silueta, std::uint64_t columnas);

// El análisis completo

/// Los anchos de la tabla de comparación, en el orden en que se informa.
inline constexpr std::array<std::uint64_t, 7> ANCHOS_ALTERNATIVOS = {30, 40, 50, 60, 80, 100, 120};

/// Una fila de la tabla de comparación.
struct AnchoLetras {
    std::uint64_t ancho = 0;
    std::uint64_t filas = 0;
    std::uint64_t letras = 0;
};

struct Informe {
    Analisis analisis;                        ///< al ancho pedido o al automático
    std::vector<AnchoLetras> letras_por_ancho;  ///< sin los anchos que no tienen figura
    /// Solo con texto: sus letras tras el tratamiento de espacios.
    std::optional<std::uint64_t> texto_letras;
    /// Solo con texto: el ancho automático, o el fallo entero en que se detuvo la búsqueda
    /// (el informe de texto muestra su mensaje, que para NoCabe lleva las cuentas).
    std::optional<Resultado<std::uint64_t>> ancho_recomendado;
};

/// Analiza la imagen al ancho de las opciones. Sin `texto` no hay cifras del texto;
/// un texto vacío sí las tiene (0 letras).
Resultado<Informe> analizar_silueta(ImagenRgba imagen, std::optional<std::string_view> texto,
                                    const Opciones& opciones);

}  // namespace glifador
