// Objetivo de fuzzing: un mensaje y sus opciones → preparar_texto, ancho_minimo y el compositor.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "cola.h"
#include "core/analisis.h"
#include "core/colores.h"
#include "core/dibujo.h"
#include "core/rejilla.h"
#include "core/silueta.h"
#include "core/texto.h"

using namespace glifador;
using glifador::fuzz::exigir;

namespace {

constexpr std::uint64_t MAX_CELDAS = 1u << 14;

/// Cuerpo: ancho y alto (1..32), un bit de figura por píxel y el mensaje con lo que sobra.
/// Los píxeles de figura son opacos y los demás transparentes; el color sale de la posición.
struct Caso {
    ImagenRgba imagen;
    std::string_view mensaje;
};

Caso leer_caso(const std::uint8_t* d, std::size_t n) {
    auto byte = [&](std::size_t i) -> std::uint8_t { return i < n ? d[i] : 0; };
    Caso c;
    c.imagen.ancho = 1u + byte(0) % 32u;
    c.imagen.alto = 1u + byte(1) % 32u;
    const std::size_t px = std::size_t{c.imagen.ancho} * c.imagen.alto, bits = (px + 7) / 8;
    c.imagen.rgba.resize(px * 4);
    for (std::size_t i = 0; i < px; ++i) {
        const std::size_t x = i % c.imagen.ancho, y = i / c.imagen.ancho;
        std::uint8_t* p = c.imagen.rgba.data() + i * 4;
        p[0] = static_cast<std::uint8_t>(x * 37);
        p[1] = static_cast<std::uint8_t>(y * 91);
        p[2] = static_cast<std::uint8_t>((x ^ y) * 13);
        p[3] = (byte(2 + i / 8) >> (i % 8)) & 1 ? 255 : 0;
    }
    const std::size_t inicio = std::min(n, 2 + bits);
    c.mensaje = std::string_view(reinterpret_cast<const char*>(d) + inicio, n - inicio);
    return c;
}

Opciones leer_opciones(const std::uint8_t op[8]) {
    Opciones o;
    o.invertir = op[0] & 1;
    o.huecos = op[0] & 2;
    o.color = op[0] & 4;
    o.repetir = !(op[0] & 8);
    o.espacios = static_cast<Espacios>((op[0] >> 4) % 3);
    o.ancho = op[1] % 64 == 0 ? Ancho::autom() : Ancho::num(op[1] % 64);
    o.aspecto = 0.25f + static_cast<float>(op[2] % 64) * 0.125f;
    const std::uint64_t bajo = op[4] | op[5] << 8 | op[6] << 16 | std::uint64_t{op[7] & 0x7fu} << 24;
    // Con el bit alto, contadores a punto de dar la vuelta a 2^64.
    o.desfase = op[7] & 0x80 ? UINT64_MAX - bajo : bajo;
    return o;
}

bool utf8_valido(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t largo = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (largo == 0 || s.size() - i < largo) return false;
        std::uint32_t cp = largo == 1 ? c : c & (0x7Fu >> largo);
        for (std::size_t k = 1; k < largo; ++k) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            if ((b >> 6) != 2) return false;
            cp = cp << 6 | (b & 0x3Fu);
        }
        static constexpr std::uint32_t MINIMO[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < MINIMO[largo] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += largo;
    }
    return true;
}

void comprobar_texto(const TextoPreparado& t, std::string_view mensaje, const Opciones& op) {
    exigir(t.len() >= 1 && t.cuenta >= 1 && t.cuenta <= t.len() && t.len() <= t.cuenta + 1);
    exigir(std::is_sorted(t.cortes.begin(), t.cortes.end()) && t.cortes.front() == 0 && t.cortes.back() == t.texto.size());
    std::string normalizado = normalizar_espacios(mensaje, op.espacios);
    exigir(contar_grafemas(normalizado) == t.cuenta);
    if (t.len() > t.cuenta) normalizado.push_back(' ');
    exigir(normalizado == t.texto);
    for (std::uint64_t i = 0; i < t.len(); ++i) exigir(!t.letra(i).empty());
}

/// Rejillas de anchos distintos (y por tanto de alturas distintas), una por fotograma; las
/// `con_color` primeras llevan además su rejilla de colores.
bool razonable(const Silueta& s, std::uint64_t columnas) {
    std::uint64_t celdas;
    return !__builtin_mul_overflow(geometria(s, columnas).filas, columnas, &celdas) && celdas <= MAX_CELDAS;
}

bool rejillas(const Silueta& s, std::uint64_t ancho, std::size_t n, std::size_t con_color, std::vector<Rejilla>& rj,
              std::vector<RejillaColor>& rc) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t columnas = ancho + i;
        if (!razonable(s, columnas)) return false;
        rj.push_back(construir_rejilla(s, columnas));
        if (i < con_color) rc.push_back(colores_por_celda(s, columnas));
    }
    return true;
}

void comprobar_fotogramas(const std::vector<std::string>& f, std::size_t esperados, bool color, bool utf8) {
    exigir(f.size() == esperados);
    const auto lineas = std::count(f[0].begin(), f[0].end(), '\n');
    for (const std::string& t : f) {
        exigir(std::count(t.begin(), t.end(), '\n') == lineas);
        exigir(!utf8 || utf8_valido(t));
        if (!color) exigir(t.empty() || (t.back() != ' ' && t.find(" \n") == std::string::npos));
    }
}

void componer(const ImagenRgba& img, std::string_view mensaje, const Opciones& op, const std::uint8_t cola[8]) {
    auto t = preparar_texto(mensaje, op.espacios, op.repetir);
    if (!t) {
        exigir(t.fallo().tipo == TipoFallo::TextoVacio && solo_espacio(mensaje));
        return;
    }
    comprobar_texto(*t, mensaje, op);
    auto s = extraer_silueta(img, op);
    exigir(s.ok());
    std::uint64_t ancho = op.ancho.columnas;
    if (op.ancho.automatico) {
        auto a = ancho_minimo(*s, t->cuenta);
        if (!a) {
            exigir(a.fallo().tipo != TipoFallo::NoCabe || a.fallo().letras == t->cuenta);
            return;
        }
        ancho = *a;
    }
    // cola[3]: fotogramas (1..4), letras de avance por fotograma (0..31) y, con el bit alto,
    // el último fotograma sin colores.
    const std::size_t n = 1 + cola[3] % 4, con_color = op.color ? n - (cola[3] >> 7) : 0;
    std::vector<Rejilla> rj;
    std::vector<RejillaColor> rc;
    if (!rejillas(*s, ancho, n, con_color, rj, rc)) return;
    std::vector<std::uint64_t> inicios;
    for (std::size_t i = 0; i < n; ++i) inicios.push_back(op.desfase + i * ((cola[3] >> 2) & 31));
    const std::uint64_t pedidos = n + (cola[0] >> 7);
    auto f = componer_fotogramas(rj, rc, *t, inicios, pedidos);
    if (!f) {
        exigir(f.fallo().tipo == TipoFallo::SinSilueta);
        return;
    }
    comprobar_fotogramas(*f, n, op.color, utf8_valido(mensaje));
    // Un fotograma solo es el dibujo de la misma imagen con las mismas opciones.
    if (n == 1 && rc.size() == (op.color ? 1u : 0u)) {
        auto d = dibujar(img, mensaje, op);
        exigir(d.ok() && *d == f->front());
    }
    if (cola[0] & 64 && razonable(*s, ANCHOS_ALTERNATIVOS.back())) analizar_silueta(img, mensaje, op);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tam) {
    const fuzz::Entrada e(datos, tam);
    try {
        const Caso c = leer_caso(e.cuerpo, e.n);
        componer(c.imagen, c.mensaje, leer_opciones(e.op), e.op);
    } catch (const std::bad_alloc&) {
        // La única excepción que puede salir del núcleo.
    }
    return 0;
}
