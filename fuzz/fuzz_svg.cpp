// Objetivo de fuzzing: texto de fotogramas → leer_linea_ansi, colorear_fotograma y a_svg, con el SVG siempre XML bien formado.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "animacion/colores_ansi.h"
#include "animacion/svg.h"
#include "cola.h"
#include "core/texto.h"
#include "xml.h"

using namespace glifador;
using glifador::fuzz::exigir;
using glifador::fuzz::texto_xml;
using glifador::fuzz::utf8_valido;
using glifador::fuzz::Xml;

namespace {

// Opciones de la cola

/// Medidas del SVG: los primeros valores son los bordes (cero, negativos, NaN, infinitos,
/// subnormales, enormes); el resto, medidas corrientes.
float medida(std::uint8_t b) {
    constexpr float inf = std::numeric_limits<float>::infinity();
    static constexpr float BORDES[] = {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), inf, -inf,
                                       std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max(),
                                       1e30f, 1e-30f, 1e-3f, 1e6f, 3e38f, -0.0f, 0.08f, 14.0f, 2.0f};
    return b < 16 ? BORDES[b] : 0.05f + static_cast<float>(b - 16) * 0.1f;
}

std::vector<Rgb> paleta(std::size_t n, std::uint8_t semilla) {
    std::vector<Rgb> c;
    for (std::size_t i = 0; i < n; ++i)
        c.push_back(Rgb{static_cast<std::uint8_t>(semilla + 85 * i), static_cast<std::uint8_t>(semilla * 7 + 51 * i),
                        static_cast<std::uint8_t>(255 - semilla - 29 * i)});
    return c;
}

/// Cada trozo entre "\n", también los vacíos.
std::vector<std::string_view> lineas(std::string_view t) {
    std::vector<std::string_view> r;
    for (;;) {
        const std::size_t nl = t.find('\n');
        r.push_back(t.substr(0, nl));
        if (nl == std::string_view::npos) return r;
        t.remove_prefix(nl + 1);
    }
}

std::string sin_colores(const std::vector<LetraColoreada>& letras) {
    std::string r;
    for (const LetraColoreada& l : letras) r += l.texto;
    return r;
}

void comprobar_coloreado(std::string_view fotograma, const std::vector<Rgb>& colores) {
    const std::string salida = colorear_fotograma(fotograma, colores);
    if (colores.empty()) return exigir(salida == fotograma);
    exigir(!utf8_valido(fotograma) || utf8_valido(salida));
    const auto antes = lineas(fotograma), despues = lineas(salida);
    exigir(antes.size() == despues.size());
    std::uint64_t ancho_max = 0;
    for (std::string_view l : antes) ancho_max = std::max<std::uint64_t>(ancho_max, leer_linea_ansi(l).size());
    bool sin_escapes = true;
    for (std::size_t k = 0; k < antes.size(); ++k) {
        const auto original = leer_linea_ansi(antes[k]), releida = leer_linea_ansi(despues[k]);
        exigir(sin_colores(original) == sin_colores(releida));
        if (antes[k].find('\x1b') != std::string_view::npos) {
            sin_escapes = false;
            continue;
        }
        // Sin escapes en la entrada, los de la salida caen entre letras y no las cambian.
        exigir(original.size() == releida.size());
        for (std::size_t j = 0; j < original.size(); ++j) {
            exigir(original[j].texto == releida[j].texto);
            if (releida[j].texto != " ") exigir(releida[j].color == color_en_degradado(j, ancho_max, colores));
        }
    }
    // Repintar lo ya pintado no cambia nada.
    if (sin_escapes) exigir(colorear_fotograma(salida, colores) == salida);
}

/// Las letras no blancas de todos los fotogramas, o nada si alguna no puede ir tal cual al XML.
std::optional<std::string> texto_esperado(const std::vector<std::string>& fotogramas) {
    std::string r;
    for (const std::string& f : fotogramas)
        for (std::string_view l : lineas(f))
            for (const LetraColoreada& letra : leer_linea_ansi(l)) {
                if (solo_espacio(letra.texto)) continue;
                if (!texto_xml(letra.texto)) return std::nullopt;
                r += letra.texto;
            }
    return r;
}

bool corriente(float v) { return v >= 1e-3f && v <= 1e3f; }

void comprobar_svg(const std::vector<std::string>& fotogramas, const OpcionesSvg& op) {
    auto doc = a_svg(fotogramas, op);
    if (!doc) {
        const Fallo& f = doc.fallo();
        exigir(f.tipo == TipoFallo::OpcionInvalida);
        exigir(!op.colores.empty() || f.texto == "hace falta al menos un color");
        exigir(!(corriente(op.intervalo) && corriente(op.tamano) && corriente(op.aspecto)) || op.colores.empty());
        return;
    }
    Xml x;
    x.s = *doc;
    exigir(x.documento());
    exigir(x.grupos == fotogramas.size());
    if (auto esperado = texto_esperado(fotogramas)) exigir(x.texto_tspan == *esperado);
}

}  // namespace

/// Cola: [0] bit 0 = un solo fotograma (los NUL quedan dentro), si no se parte en cada NUL;
/// bits 1-3 colores del SVG, 4-6 del degradado de la terminal; [1] fondo (bit 7) y su color;
/// [2..4] intervalo, tamaño y aspecto; [5] semilla de los colores.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tam) {
    const fuzz::Entrada e(datos, tam);
    try {
        const std::string_view cuerpo(reinterpret_cast<const char*>(e.cuerpo), e.n);
        std::vector<std::string> fotogramas;
        if (e.op[0] & 1) {
            fotogramas.emplace_back(cuerpo);
        } else {
            for (std::string_view t = cuerpo;;) {
                const std::size_t nul = t.find('\0');
                fotogramas.emplace_back(t.substr(0, nul));
                if (nul == std::string_view::npos) break;
                t.remove_prefix(nul + 1);
            }
        }
        const std::vector<Rgb> degradado = paleta((e.op[0] >> 4) & 7, e.op[5]);
        for (const std::string& f : fotogramas) comprobar_coloreado(f, degradado);

        OpcionesSvg op;
        op.colores = paleta((e.op[0] >> 1) & 7, static_cast<std::uint8_t>(e.op[5] ^ 0x5a));
        if (e.op[1] & 0x80) op.fondo = paleta(1, e.op[1]).front();
        op.intervalo = medida(e.op[2]);
        op.tamano = medida(e.op[3]);
        op.aspecto = medida(e.op[4]);
        comprobar_svg(fotogramas, op);
    } catch (const std::bad_alloc&) {
        // La única excepción que puede salir del núcleo.
    }
    return 0;
}
