// Objetivo de fuzzing: bytes de imagen → carga → silueta → rejilla, dibujo y análisis.
#include <algorithm>
#include <cstdint>
#include <new>
#include <string_view>

#include "cola.h"
#include "core/analisis.h"
#include "core/dibujo.h"
#include "core/imagen.h"
#include "core/rejilla.h"
#include "core/silueta.h"

using namespace glifador;
using glifador::fuzz::exigir;

namespace {

// Por encima de esto una imagen o una rejilla son legítimamente grandes y lentas: el fuzzer
// no aprende nada esperándolas.
constexpr std::uint64_t MAX_PIXELES = 1u << 20;
constexpr std::uint64_t MAX_CELDAS = 1u << 21;

constexpr std::string_view MENSAJE = "ñandú y pingüino 🐧 al sol de la tarde";

/// Cómo llegan los bytes al decodificador: por su firma, o por la extensión de una ruta
/// (que no mira el contenido) en el orden de Formato.
Resultado<ImagenRgba> cargar(std::uint8_t via, const std::uint8_t* d, std::size_t n) {
    if (via % 6 == 0) {
        Imagen im;
        im.bytes.assign(d, d + n);
        return cargar_imagen(im);
    }
    return decodificar(static_cast<Formato>(via % 6 - 1), d, n);
}

Opciones leer_opciones(const std::uint8_t op[8]) {
    Opciones o;
    o.ancho = op[1] == 0 ? Ancho::autom() : Ancho::num(op[1]);
    o.aspecto = op[2] == 255 ? 0.0f : 0.25f + static_cast<float>(op[2] % 64) * 0.125f;
    if (op[3] != 0) o.umbral = static_cast<std::uint8_t>(op[3] - 1);
    o.suavizar = op[4];
    o.invertir = op[5] & 1;
    o.huecos = op[5] & 2;
    o.color = op[5] & 4;
    o.repetir = !(op[5] & 8);
    o.espacios = static_cast<Espacios>((op[5] >> 4) % 3);
    o.desfase = static_cast<std::uint64_t>(op[6]) | static_cast<std::uint64_t>(op[7]) << 8;
    return o;
}

bool razonable(const Silueta& s, std::uint64_t columnas) {
    std::uint64_t celdas;
    return !__builtin_mul_overflow(geometria(s, columnas).filas, columnas, &celdas) && celdas <= MAX_CELDAS;
}

void comprobar_imagen(const ImagenRgba& img) {
    std::uint64_t px = std::uint64_t{img.ancho} * img.alto;
    exigir(img.rgba.size() == px * 4 && px * 4 <= 512ull * 1024 * 1024);
}

void comprobar_silueta(const Silueta& s) {
    const std::uint64_t px = s.ancho_px * s.alto_px;
    exigir(s.mascara.size() == px && s.colores.size() == px * 4);
    exigir(std::all_of(s.mascara.begin(), s.mascara.end(), [](std::uint8_t v) { return v <= 1; }));
    const auto unos = static_cast<std::uint64_t>(std::count(s.mascara.begin(), s.mascara.end(), 1));
    const std::uint64_t tabla = px == 0 ? 1 : (s.ancho_px + 1) * (s.alto_px + 1);
    exigir(s.suma.size() == tabla && s.suma.back() == unos);
}

// La capacidad se calcula sin construir la rejilla: las dos cuentas deben coincidir.
void comprobar_rejilla(const Silueta& s, std::uint64_t columnas) {
    const Rejilla rj = construir_rejilla(s, columnas);
    exigir(rj.filas >= 1 && rj.columnas == columnas && rj.celdas.size() == rj.filas * columnas);
    exigir(std::all_of(rj.celdas.begin(), rj.celdas.end(), [](std::uint8_t v) { return v <= 1; }));
    const auto figura = static_cast<std::uint64_t>(std::count(rj.celdas.begin(), rj.celdas.end(), 1));
    exigir(capacidad(s, columnas) == figura);
}

void dibujar_y_analizar(const ImagenRgba& img, const Silueta& s, const Opciones& op, bool analizar) {
    std::uint64_t ancho = op.ancho.columnas;
    if (op.ancho.automatico) {
        const std::uint64_t cuenta = contar_grafemas(normalizar_espacios(MENSAJE, op.espacios));
        auto a = ancho_minimo(s, cuenta);
        if (!a) return;
        exigir(*a >= 1 && *a <= ANCHO_MAXIMO_AUTO && capacidad(s, *a) >= cuenta);
        ancho = *a;
    }
    if (!razonable(s, ancho)) return;
    comprobar_rejilla(s, ancho);
    auto d = dibujar(img, MENSAJE, op);
    if (d) exigir(static_cast<std::uint64_t>(std::count(d->begin(), d->end(), '\n')) < geometria(s, ancho).filas);
    else exigir(d.fallo().tipo == TipoFallo::SinSilueta);
    if (!analizar || !razonable(s, ANCHOS_ALTERNATIVOS.back())) return;
    auto inf = analizar_silueta(img, MENSAJE, op);
    if (inf) exigir(inf->analisis.ancho == ancho && inf->analisis.letras <= inf->analisis.filas * ancho);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tam) {
    const fuzz::Entrada e(datos, tam);
    try {
        auto img = cargar(e.op[0], e.cuerpo, e.n);
        if (!img) {
            exigir(img.fallo().tipo == TipoFallo::ImagenIlegible && !img.fallo().entrada_salida);
            return 0;
        }
        comprobar_imagen(*img);
        if (std::uint64_t{img->ancho} * img->alto > MAX_PIXELES) return 0;
        const Opciones op = leer_opciones(e.op);
        auto s = extraer_silueta(*img, op);
        if (!s) {
            exigir(s.fallo().tipo == TipoFallo::OpcionInvalida);
            return 0;
        }
        comprobar_silueta(*s);
        dibujar_y_analizar(*img, *s, op, e.op[5] & 64);
    } catch (const std::bad_alloc&) {
        // La única excepción que puede salir del núcleo.
    }
    return 0;
}
