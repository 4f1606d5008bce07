// La rejilla: la silueta reducida a celdas de carácter.
#pragma once

#include <cstdint>
#include <vector>

#include "silueta.h"

namespace glifador {

/// Filas de celdas de figura (1) y fondo (0); siempre al menos una fila.
struct Rejilla {
    std::uint64_t filas = 0;
    std::uint64_t columnas = 0;
    std::vector<std::uint8_t> celdas;  ///< filas × columnas

    const std::uint8_t* fila(std::uint64_t r) const { return celdas.data() + r * columnas; }
};

/// Un color por celda, con la forma de la rejilla del mismo ancho.
struct RejillaColor {
    std::uint64_t filas = 0;
    std::uint64_t columnas = 0;
    std::vector<std::uint8_t> rgb;  ///< filas × columnas × 3

    const std::uint8_t* fila(std::uint64_t r) const { return rgb.data() + r * columnas * 3; }
};

/// Medidas de las celdas a un ancho dado, en float de 32 bits.
struct Geometria {
    float cw = 0;              ///< ancho de celda en píxeles
    float ch = 0;              ///< alto de celda en píxeles
    std::uint64_t filas = 1;
    bool vacia = false;        ///< imagen sin píxeles: todas las celdas son fondo
};

Geometria geometria(const Silueta& silueta, std::uint64_t columnas);

/// Píxeles [a, b) que cubre la celda i cuando cada una mide `paso` y hay `total`.
void tramo_de_pixeles(float paso, std::uint64_t i, std::uint64_t total, std::uint64_t* a, std::uint64_t* b);

/// Límites [x0, x1) de cada columna: columnas + 1 enteros no hacen falta, cada columna
/// guarda el suyo porque x1 puede solaparse con el x0 siguiente.
void limites_de_columnas(const Geometria& g, std::uint64_t ancho_px, std::uint64_t columnas,
                         std::vector<std::uint64_t>& x0, std::vector<std::uint64_t>& x1);

Rejilla construir_rejilla(const Silueta& silueta, std::uint64_t columnas);

/// Celdas de figura de la rejilla a ese ancho, sin construirla.
std::uint64_t capacidad(const Silueta& silueta, std::uint64_t columnas);

/// float → entero sin signo, truncando y saturando (NaN y negativos dan 0).
std::uint64_t truncar(float v);
/// Redondeo a lo más cercano con mitades lejos de cero, saturando.
std::uint64_t redondear(float v);

}  // namespace glifador
