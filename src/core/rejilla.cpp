// De la silueta a la rejilla de celdas: geometría en float de 32 bits y recuento por sumas acumuladas.
#include "rejilla.h"

#include <algorithm>
#include <cmath>

#include "tamano.h"

namespace glifador {

std::uint64_t truncar(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 18446744073709551616.0f) return UINT64_MAX;
    return static_cast<std::uint64_t>(v);
}

std::uint64_t redondear(float v) { return truncar(std::round(v)); }

Geometria geometria(const Silueta& s, std::uint64_t columnas) {
    Geometria g;
    // Sin píxeles no hay ancho de celda que calcular: cw sería 0 y pediría infinitas filas.
    if (s.ancho_px == 0 || s.alto_px == 0) {
        g.vacia = true;
        return g;
    }
    g.cw = static_cast<float>(s.ancho_px) / static_cast<float>(columnas);
    g.ch = s.aspecto * g.cw;
    g.filas = std::max<std::uint64_t>(1, redondear(static_cast<float>(s.alto_px) / g.ch));
    return g;
}

void tramo_de_pixeles(float paso, std::uint64_t i, std::uint64_t total, std::uint64_t* a, std::uint64_t* b) {
    *a = std::min(total - 1, truncar(paso * static_cast<float>(i)));
    *b = std::clamp(truncar(paso * static_cast<float>(i + 1)), *a + 1, total);
}

void limites_de_columnas(const Geometria& g, std::uint64_t ancho_px, std::uint64_t columnas,
                         std::vector<std::uint64_t>& x0, std::vector<std::uint64_t>& x1) {
    x0.resize(columnas);
    x1.resize(columnas);
    for (std::uint64_t c = 0; c < columnas; ++c) tramo_de_pixeles(g.cw, c, ancho_px, &x0[c], &x1[c]);
}

namespace {

/// Llama a `f(r, celdas_de_la_fila)` con las celdas de cada fila ya decididas (0 o 1).
template <class F>
void recorrer_celdas(const Silueta& s, std::uint64_t columnas, std::vector<std::uint8_t>& fila, F&& f) {
    const Geometria g = geometria(s, columnas);
    fila.assign(columnas, 0);
    if (g.vacia) {
        f(0, fila.data());
        return;
    }
    std::vector<std::uint64_t> x0, x1;
    limites_de_columnas(g, s.ancho_px, columnas, x0, x1);
    const std::uint64_t w = s.ancho_px + 1;
    const std::uint32_t* t = s.suma.data();
    for (std::uint64_t r = 0; r < g.filas; ++r) {
        std::uint64_t y0, y1;
        tramo_de_pixeles(g.ch, r, s.alto_px, &y0, &y1);
        const std::uint32_t* arriba = t + y0 * w;
        const std::uint32_t* abajo = t + y1 * w;
        const std::uint64_t alto = y1 - y0;
        for (std::uint64_t c = 0; c < columnas; ++c) {
            const std::uint64_t a = x0[c], b = x1[c];
            const std::uint64_t figura = std::uint64_t{abajo[b]} - arriba[b] - abajo[a] + arriba[a];
            // Figura cuando al menos la mitad de sus píxeles lo son.
            fila[c] = alto * (b - a) <= 2 * figura;
        }
        f(r, fila.data());
    }
}

}  // namespace

Rejilla construir_rejilla(const Silueta& s, std::uint64_t columnas) {
    Rejilla rj;
    rj.columnas = columnas;
    rj.filas = geometria(s, columnas).filas;
    rj.celdas.resize(tamano_o_bad_alloc(rj.filas, columnas));
    std::vector<std::uint8_t> fila;
    recorrer_celdas(s, columnas, fila, [&](std::uint64_t r, const std::uint8_t* celdas) {
        std::copy(celdas, celdas + columnas, rj.celdas.data() + r * columnas);
    });
    return rj;
}

std::uint64_t capacidad(const Silueta& s, std::uint64_t columnas) {
    std::uint64_t total = 0;
    std::vector<std::uint8_t> fila;
    recorrer_celdas(s, columnas, fila, [&](std::uint64_t, const std::uint8_t* celdas) {
        for (std::uint64_t c = 0; c < columnas; ++c) total += celdas[c];
    });
    return total;
}

}  // namespace glifador
