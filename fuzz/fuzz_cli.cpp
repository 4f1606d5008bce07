// Objetivo de fuzzing: listas de argumentos → ejecutar_cli, con archivos, imágenes y entrada estándar simulados.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cola.h"
#include "core/fallo.h"
#include "core/imagen.h"
#include "core/opciones.h"
#include "lib/cli.h"
#include "xml.h"

using namespace glifador;
using glifador::fuzz::exigir;

namespace {

// Un mundo simulado: la orden nunca abre, lee ni escribe nada de verdad.

/// Lo que ve la llamada en curso: su entrada estándar y el SVG que llegó a "escribir".
struct Mundo {
    std::string_view entrada;
    bool escrito = false;
    std::string ruta_escrita;
    std::size_t grupos = 0;
};
Mundo mundo;

bool termina_en(std::string_view s, std::string_view fin) {
    return s.size() >= fin.size() && s.substr(s.size() - fin.size()) == fin;
}

/// "\x04" sola es una entrada estándar que no se puede leer; cualquier otra cosa, su contenido.
Lectura leer_entrada(AtenderSenales) {
    Lectura l;
    if (mundo.entrada == "\x04")
        l.error = EBADF;
    else
        l.datos = std::string(mundo.entrada);
    return l;
}

/// Rutas bajo "/no/" no existen, las acabadas en "/" son carpetas y cualquier otro archivo
/// contiene su propio nombre (así el fuzzer elige el mensaje, también sin UTF-8 válido).
Lectura leer_archivo(const std::string& ruta, AtenderSenales) {
    Lectura l;
    if (ruta.empty() || ruta.starts_with("/no/"))
        l.error = ENOENT;
    else if (termina_en(ruta, "/"))
        l.error = EISDIR;
    else
        l.datos = ruta;
    return l;
}

ImagenRgba pintar(std::uint32_t ancho, std::uint32_t alto, bool opaca) {
    ImagenRgba im;
    im.ancho = ancho;
    im.alto = alto;
    im.rgba.resize(std::size_t{ancho} * alto * 4);
    for (std::uint32_t y = 0; y < alto; ++y)
        for (std::uint32_t x = 0; x < ancho; ++x) {
            std::uint8_t* p = im.rgba.data() + (std::size_t{y} * ancho + x) * 4;
            const int dx = 2 * static_cast<int>(x) + 1 - static_cast<int>(ancho);
            const int dy = 2 * static_cast<int>(y) + 1 - static_cast<int>(alto);
            const int r2 = dx * dx + dy * dy, radio = static_cast<int>(alto);
            const bool figura = r2 < radio * radio && 4 * r2 > radio * radio;  // un anillo
            p[0] = figura ? static_cast<std::uint8_t>(40 + 9 * x) : 240;
            p[1] = figura ? static_cast<std::uint8_t>(20 + 11 * y) : 235;
            p[2] = figura ? 90 : 220;
            p[3] = opaca || figura ? 255 : 0;
        }
    return im;
}

/// Cada extensión es una imagen ya decodificada: anillo con transparencia, anillo opaco
/// sobre fondo claro, un solo píxel, todo transparente y sin filas; lo demás no existe.
Resultado<ImagenRgba> cargar(const Imagen& imagen) {
    exigir(imagen.tipo == Imagen::Tipo::Ruta);
    static const ImagenRgba anillo = pintar(20, 16, false), opaca = pintar(24, 16, true), punto = pintar(1, 1, true),
                            sin_filas = pintar(9, 0, true), vacia = [] {
                                ImagenRgba v;
                                v.ancho = 4;
                                v.alto = 3;
                                v.rgba.assign(4 * 3 * 4, 0);
                                return v;
                            }();
    const std::string& r = imagen.ruta;
    if (termina_en(r, ".png")) return anillo;
    if (termina_en(r, ".jpg")) return opaca;
    if (termina_en(r, ".gif")) return punto;
    if (termina_en(r, ".bmp")) return vacia;
    if (termina_en(r, ".webp")) return sin_filas;
    return error_entrada_salida(texto_error_sistema(ENOENT));
}

/// Carpetas, carpetas que no existen y un sitio sin permiso fallan como lo harían; lo demás
/// se "escribe" tras comprobar que es un documento XML bien formado.
int escribir(const std::string& ruta, std::string_view datos) {
    if (termina_en(ruta, "/")) return EISDIR;
    if (ruta.starts_with("/no/")) return ENOENT;
    if (ruta.starts_with("/sys/")) return EACCES;
    fuzz::Xml x;
    x.s = datos;
    exigir(x.documento());
    mundo.escrito = true;
    mundo.ruta_escrita = ruta;
    mundo.grupos = x.grupos;
    return 0;
}

const EntradaSalida SIMULADO{&leer_archivo, &leer_entrada, &cargar, &escribir};

// Lo que no se ejecuta

/// Anchos, aspectos y números de fotogramas que piden rejillas legítimamente enormes: el
/// fuzzer no aprende nada esperándolas. Mira cada pareja de argumentos, sea o no una opción
/// con su valor: descartar de más no importa.
bool razonable(const std::vector<std::string>& a, std::size_t tam) {
    bool cuenta_dada = false;
    for (std::size_t i = 0; i + 1 < a.size(); ++i) {
        const std::string_view o = a[i], v = a[i + 1];
        std::uint64_t n;
        float x;
        if ((o == "-w" || o == "--ancho") && leer_entero(v, &n) && n > 40) return false;
        if (o == "--aspecto" && leer_real(v, &x) && x > 0.0f && x < 0.5f) return false;
        if (o == "--fotogramas") {
            cuenta_dada = true;
            if (leer_entero(v, &n) && n > 32) return false;
        }
    }
    // Sin número de fotogramas, un mensaje largo da hasta 240.
    return a.empty() || a[0] != "animar" || cuenta_dada || tam <= 400;
}

// Comprobaciones del resultado

bool pide_ayuda(const std::vector<std::string>& args) {
    for (const std::string& a : args)
        if (a == "-h" || a == "--help") return true;
    return false;
}

void comprobar(const Accion& accion, const std::vector<std::string>& args) {
    exigir(!std::holds_alternative<Interrumpida>(accion));
    if (const auto* e = std::get_if<Error>(&accion)) {
        exigir(!e->mensaje.empty() || pide_ayuda(args));
        exigir(!mundo.escrito);
        return;
    }
    if (const auto* i = std::get_if<Imprimir>(&accion)) {
        if (mundo.escrito) exigir(i->texto == mundo.ruta_escrita + ": " + std::to_string(mundo.grupos) + " fotograma(s)");
        return;
    }
    const auto& r = std::get<Reproducir>(accion);
    exigir(!mundo.escrito && !r.fotogramas.empty());
    const auto lineas = std::count(r.fotogramas[0].begin(), r.fotogramas[0].end(), '\n');
    for (const std::string& f : r.fotogramas) exigir(std::count(f.begin(), f.end(), '\n') == lineas);
}

}  // namespace

/// Entrada: la entrada estándar, NUL, y los argumentos separados por NUL.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t tam) {
    const std::string_view todo(reinterpret_cast<const char*>(datos), tam);
    std::size_t nul = todo.find('\0');
    mundo = Mundo{};
    mundo.entrada = todo.substr(0, nul);
    std::vector<std::string> args;
    while (nul != std::string_view::npos) {
        const std::size_t siguiente = todo.find('\0', nul + 1);
        args.emplace_back(todo.substr(nul + 1, siguiente == std::string_view::npos ? siguiente : siguiente - nul - 1));
        nul = siguiente;
    }
    if (!razonable(args, tam)) return 0;
    try {
        comprobar(ejecutar_cli(args, nullptr, SIMULADO), args);
    } catch (const std::bad_alloc&) {
        // La única excepción que puede salir del núcleo.
    }
    return 0;
}
