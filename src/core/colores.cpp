// Media de color por celda en luz lineal (potencia 2.2 en float, como la pide la salida).
#include "colores.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "tamano.h"

namespace glifador {

namespace {

/// (v / 255)^2.2 para cada byte: los mismos valores que calcular la potencia por píxel.
std::array<float, 256> tabla_lineal() {
    std::array<float, 256> t{};
    for (unsigned v = 0; v < 256; ++v) t[v] = std::pow(static_cast<float>(v) / 255.0f, 2.2f);
    return t;
}

std::uint8_t canal(float suma, float m) {
    // 1/2.2 calculado en float (0.45454544): el float más cercano al double 1/2.2 es una
    // unidad mayor y cambia algunos canales en una unidad.
    const float e = 1.0f / 2.2f;
    const float v = std::round(std::pow(suma / m, e) * 255.0f);
    return static_cast<std::uint8_t>(std::min(v, 255.0f));
}

/// Suma a cada celda los píxeles de figura de una fila de píxeles, de izquierda a derecha.
void acumular_fila(const std::uint8_t* mascara, const std::uint8_t* pixeles, const std::vector<std::uint64_t>& x0,
                   const std::vector<std::uint64_t>& x1, const std::array<float, 256>& lineal, float* sumas,
                   std::uint64_t* cuentas) {
    const std::size_t columnas = x0.size();
    for (std::size_t c = 0; c < columnas; ++c) {
        // Acumuladores locales: la suma de cada celda sigue el orden de visita, sin alias.
        float sr = sumas[c * 3], sg = sumas[c * 3 + 1], sb = sumas[c * 3 + 2];
        std::uint64_t n = 0;
        for (std::uint64_t x = x0[c]; x < x1[c]; ++x) {
            // El salto sobre el fondo se predice bien (las figuras son manchas, no ruido)
            // y evita leer el color de los píxeles que no cuentan.
            if (!mascara[x]) continue;
            const std::uint8_t* p = pixeles + x * 4;
            sr += lineal[p[0]];
            sg += lineal[p[1]];
            sb += lineal[p[2]];
            ++n;
        }
        sumas[c * 3] = sr;
        sumas[c * 3 + 1] = sg;
        sumas[c * 3 + 2] = sb;
        cuentas[c] += n;
    }
}

}  // namespace

RejillaColor colores_por_celda(const Silueta& s, std::uint64_t columnas) {
    const Geometria g = geometria(s, columnas);
    RejillaColor rc;
    rc.filas = g.filas;
    rc.columnas = columnas;
    rc.rgb.assign(tamano_o_bad_alloc(tamano_o_bad_alloc(g.filas, columnas), 3), 0);
    if (g.vacia) return rc;

    const auto lineal = tabla_lineal();
    std::vector<std::uint64_t> x0, x1;
    limites_de_columnas(g, s.ancho_px, columnas, x0, x1);
    // Se recorre cada franja fila a fila de píxeles, y no celda a celda, para leer la
    // memoria seguida; cada celda sigue recibiendo sus píxeles en el mismo orden.
    std::vector<float> sumas(tamano_o_bad_alloc(columnas, 3));
    std::vector<std::uint64_t> cuentas(columnas);
    const std::uint64_t w = s.ancho_px;
    for (std::uint64_t r = 0; r < g.filas; ++r) {
        std::uint64_t y0, y1;
        tramo_de_pixeles(g.ch, r, s.alto_px, &y0, &y1);
        if (s.figura(0, w, y0, y1) == 0) continue;  // franja de fondo: todo (0, 0, 0)
        std::fill(sumas.begin(), sumas.end(), 0.0f);
        std::fill(cuentas.begin(), cuentas.end(), 0);
        for (std::uint64_t y = y0; y < y1; ++y)
            acumular_fila(s.mascara.data() + y * w, s.colores.data() + y * w * 4, x0, x1, lineal, sumas.data(),
                          cuentas.data());
        std::uint8_t* salida = rc.rgb.data() + r * columnas * 3;
        for (std::uint64_t c = 0; c < columnas; ++c) {
            if (cuentas[c] == 0) continue;  // celda sin figura: (0, 0, 0), nunca se muestra
            const float m = static_cast<float>(cuentas[c]);
            for (unsigned k = 0; k < 3; ++k) salida[c * 3 + k] = canal(sumas[c * 3 + k], m);
        }
    }
    return rc;
}

}  // namespace glifador
