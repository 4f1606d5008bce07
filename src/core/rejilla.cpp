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

namespace {

/// Último índice j (i ≤ j < celdas) cuyo tramo de píxeles es el de i. Los dos extremos del
/// tramo crecen con el índice, así que los índices con el mismo tramo son consecutivos y se
/// encuentran galopando y luego por bisección.
std::uint64_t ultimo_con_el_mismo_tramo(float paso, std::uint64_t i, std::uint64_t celdas, std::uint64_t pixeles) {
    std::uint64_t a, b;
    tramo_de_pixeles(paso, i, pixeles, &a, &b);
    auto igual = [&](std::uint64_t j) {
        std::uint64_t c, d;
        tramo_de_pixeles(paso, j, pixeles, &c, &d);
        return c == a && d == b;
    };
    std::uint64_t bien = i, mal = celdas, salto = 1;
    while (salto < celdas - bien) {
        if (!igual(bien + salto)) {
            mal = bien + salto;
            break;
        }
        bien += salto;
        salto = salto > UINT64_MAX / 2 ? UINT64_MAX : salto * 2;
    }
    while (mal - bien > 1) {
        const std::uint64_t medio = bien + (mal - bien) / 2;
        (igual(medio) ? bien : mal) = medio;
    }
    return bien;
}

/// Columnas seguidas que cubren los mismos píxeles, con cuántas son.
struct GrupoDeColumnas {
    std::uint64_t x0, x1, veces;
};

std::uint64_t sumar_saturando(std::uint64_t a, std::uint64_t b) {
    std::uint64_t r;
    return __builtin_add_overflow(a, b, &r) ? UINT64_MAX : r;
}

std::uint64_t multiplicar_saturando(std::uint64_t a, std::uint64_t b) {
    std::uint64_t r;
    return multiplicar(a, b, &r) ? r : UINT64_MAX;
}

}  // namespace

// Cuando hay más celdas que píxeles, filas y columnas enteras repiten el mismo tramo de
// píxeles: cada combinación distinta se cuenta una sola vez y se multiplica por sus repeticiones.
// Así el coste no pasa de unas pocas veces el número de píxeles, aunque un aspecto diminuto o
// una imagen muy delgada pidan miles de millones de filas (que nunca se construyen aquí).
std::uint64_t capacidad(const Silueta& s, std::uint64_t columnas) {
    const Geometria g = geometria(s, columnas);
    if (g.vacia || columnas == 0) return 0;
    std::vector<GrupoDeColumnas> grupos;
    for (std::uint64_t c = 0; c < columnas;) {
        const std::uint64_t fin = ultimo_con_el_mismo_tramo(g.cw, c, columnas, s.ancho_px);
        std::uint64_t x0, x1;
        tramo_de_pixeles(g.cw, c, s.ancho_px, &x0, &x1);
        grupos.push_back({x0, x1, fin - c + 1});
        c = fin + 1;
    }
    std::uint64_t total = 0;
    for (std::uint64_t r = 0; r < g.filas;) {
        const std::uint64_t fin = ultimo_con_el_mismo_tramo(g.ch, r, g.filas, s.alto_px);
        std::uint64_t y0, y1;
        tramo_de_pixeles(g.ch, r, s.alto_px, &y0, &y1);
        std::uint64_t en_fila = 0;
        for (const GrupoDeColumnas& k : grupos)
            if ((y1 - y0) * (k.x1 - k.x0) <= 2 * s.figura(k.x0, k.x1, y0, y1)) en_fila += k.veces;
        total = sumar_saturando(total, multiplicar_saturando(en_fila, fin - r + 1));
        r = fin + 1;
    }
    return total;
}

}  // namespace glifador
