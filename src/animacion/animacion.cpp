// Animación: número de fotogramas, latido, silueta encogida y una rejilla por fotograma.
#include "animacion.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/colores.h"
#include "core/dibujo.h"
#include "core/rejilla.h"
#include "core/tamano.h"
#include "core/texto.h"

namespace glifador {

std::uint64_t numero_de_fotogramas(std::optional<std::uint64_t> fotogramas, std::uint64_t paso, float latido,
                                   std::uint64_t letras) {
    if (fotogramas) return *fotogramas;
    if (paso == 0) return latido > 0.0f ? 24 : 1;
    std::uint64_t a = letras, b = paso;
    while (b != 0) {
        const std::uint64_t r = a % b;
        a = b;
        b = r;
    }
    // n · paso es el menor múltiplo de `letras`: el fotograma n sería el 0 otra vez.
    return std::clamp<std::uint64_t>(letras / a, 1, 240);
}

float escala_latido(std::uint64_t i, std::uint64_t n, float latido) {
    const float t = static_cast<float>(i) / static_cast<float>(n);
    const float a = (t - 0.1f) / 0.06f;
    const float b = (t - 0.32f) / 0.07f;
    const float pulso = std::max(std::exp(-(a * a)), 0.6f * std::exp(-(b * b)));
    return 1.0f - latido * (1.0f - pulso);
}

namespace {

constexpr std::uint64_t FUERA = UINT64_MAX;

/// Píxel de origen de una coordenada de salida, o FUERA si cae fuera de la imagen.
std::uint64_t origen(std::uint64_t x, float centro, float factor, std::uint64_t limite) {
    const float s = centro + ((static_cast<float>(x) + 0.5f) - centro) / factor;
    if (!(s >= 0.0f)) return FUERA;
    const std::uint64_t t = truncar(s);
    return t < limite ? t : FUERA;
}

/// encoger sobre un destino cuyo espacio se reaprovecha de un fotograma al siguiente.
void encoger_en(const Silueta& s, float factor, bool con_colores, Silueta& d, std::vector<std::uint64_t>& origen_x) {
    d.ancho_px = s.ancho_px;
    d.alto_px = s.alto_px;
    d.aspecto = s.aspecto;
    const std::uint64_t w = s.ancho_px, h = s.alto_px;
    if (w == 0 || h == 0) {
        d.mascara.clear();
        d.colores.clear();
        calcular_sumas(d);
        return;
    }
    const std::size_t px = tamano_o_bad_alloc(w, h);
    d.mascara.resize(px);
    if (con_colores)
        d.colores.resize(tamano_o_bad_alloc(px, 4));
    else
        d.colores.clear();
    const float cx = static_cast<float>(w) / 2.0f;
    const float cy = static_cast<float>(h) / 2.0f;
    // La columna de origen es la misma en todas las filas: se calcula una vez por fotograma.
    // Crece con x, así que las columnas que caen dentro forman un solo tramo [xa, xb).
    origen_x.resize(static_cast<std::size_t>(w));
    std::uint64_t xa = w, xb = 0;
    for (std::uint64_t x = 0; x < w; ++x) {
        origen_x[x] = origen(x, cx, factor, w);
        if (origen_x[x] != FUERA) {
            xa = std::min(xa, x);
            xb = x + 1;
        }
    }
    if (xa >= xb) xa = xb = 0;
    const std::uint64_t* ox = origen_x.data();
    for (std::uint64_t y = 0; y < h; ++y) {
        std::uint8_t* m = d.mascara.data() + y * w;
        std::uint8_t* c = con_colores ? d.colores.data() + y * w * 4 : nullptr;
        const std::uint64_t oy = origen(y, cy, factor, h);
        if (oy == FUERA) {
            std::memset(m, 0, w);
            if (c) std::memset(c, 0, w * 4);
            continue;
        }
        std::memset(m, 0, xa);
        std::memset(m + xb, 0, w - xb);
        const std::uint8_t* om = s.mascara.data() + oy * w;
        for (std::uint64_t x = xa; x < xb; ++x) m[x] = om[ox[x]] != 0;
        if (c) {
            std::memset(c, 0, xa * 4);
            std::memset(c + xb * 4, 0, (w - xb) * 4);
            const std::uint8_t* oc = s.colores.data() + oy * w * 4;
            for (std::uint64_t x = xa; x < xb; ++x) std::memcpy(c + x * 4, oc + ox[x] * 4, 4);
        }
    }
    calcular_sumas(d);
}

}  // namespace

Silueta encoger(const Silueta& silueta, float factor, bool con_colores) {
    Silueta d;
    std::vector<std::uint64_t> origen_x;
    encoger_en(silueta, factor, con_colores, d, origen_x);
    return d;
}

Resultado<std::vector<std::string>> animar(ImagenRgba imagen, std::string_view mensaje, const Opciones& op,
                                           const OpcionesAnimacion& an) {
    if (!(an.latido >= 0.0f && an.latido < 1.0f)) return opcion_invalida("latido debe estar entre 0 y 1");
    if (an.fotogramas && *an.fotogramas == 0) return opcion_invalida("fotogramas debe ser > 0");
    auto p = preparar_dibujo(std::move(imagen), mensaje, op);
    if (!p) return p.fallo();
    Silueta& silueta = p->silueta;
    const std::uint64_t ancho = p->ancho;
    const std::uint64_t n = numero_de_fotogramas(an.fotogramas, an.paso, an.latido, p->texto.len());

    // Un número de fotogramas dado no tiene tope: uno imposible falla aquí por falta de
    // memoria, antes de construir nada.
    tamano_o_bad_alloc(n, sizeof(Rejilla) + sizeof(RejillaColor) + sizeof(std::string));
    std::vector<Rejilla> rejillas;
    rejillas.reserve(n);
    std::vector<RejillaColor> colores;
    if (op.color) colores.reserve(n);
    std::vector<std::uint64_t> inicios;
    inicios.reserve(n);

    // Los fotogramas a tamaño completo comparten rejilla y colores: se calculan una vez.
    std::optional<Rejilla> completa;
    RejillaColor completa_color;
    // Una sola silueta encogida viva a la vez, reaprovechada de un fotograma al siguiente.
    Silueta encogida;
    std::vector<std::uint64_t> origen_x;
    for (std::uint64_t i = 0; i < n; ++i) {
        const float factor = escala_latido(i, n, an.latido);
        if (factor == 1.0f) {
            if (!completa) {
                completa = construir_rejilla(silueta, ancho);
                if (op.color) completa_color = colores_por_celda(silueta, ancho);
            }
            rejillas.push_back(*completa);
            if (op.color) colores.push_back(completa_color);
        } else {
            encoger_en(silueta, factor, op.color, encogida, origen_x);
            rejillas.push_back(construir_rejilla(encogida, ancho));
            if (op.color) colores.push_back(colores_por_celda(encogida, ancho));
        }
        inicios.push_back(op.desfase + i * an.paso);  // da la vuelta módulo 2^64
    }
    encogida = Silueta{};
    silueta = Silueta{};
    return componer_fotogramas(rejillas, colores, p->texto, inicios, n);
}

}  // namespace glifador
