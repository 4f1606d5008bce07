// Lectores de colores y de secuencias ANSI, y el degradado por columnas de la terminal.
#include "colores_ansi.h"

#include <algorithm>
#include <cmath>

#include "core/dibujo.h"
#include "core/rejilla.h"

namespace glifador {

namespace {

const char* const ERROR_COLOR = "los colores van en hexadecimal: #rgb o #rrggbb";

int valor_hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

/// Quita el espacio Unicode de los dos extremos.
std::string_view recortar(std::string_view s) {
    std::size_t inicio = s.size(), fin = 0;
    for (std::size_t i = 0; i < s.size();) {
        std::uint32_t cp;
        const std::size_t n = leer_punto(s, i, &cp);
        if (!es_espacio(cp)) {
            inicio = std::min(inicio, i);
            fin = i + n;
        }
        i += n;
    }
    return inicio < fin ? s.substr(inicio, fin - inicio) : std::string_view();
}

/// Un canal de la secuencia 38;2: uno o más dígitos decimales, valor hasta 255.
bool leer_canal(std::string_view s, std::uint8_t* v) {
    if (s.empty()) return false;
    unsigned acumulado = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        acumulado = acumulado * 10 + static_cast<unsigned>(c - '0');
        if (acumulado > 255) return false;  // los ceros a la izquierda no llegan aquí
    }
    *v = static_cast<std::uint8_t>(acumulado);
    return true;
}

}  // namespace

Resultado<Rgb> leer_color(std::string_view texto) {
    const std::string_view s = recortar(texto);
    if ((s.size() != 4 && s.size() != 7) || s[0] != '#') return opcion_invalida(ERROR_COLOR);
    int d[6];
    for (std::size_t i = 1; i < s.size(); ++i)
        if ((d[i - 1] = valor_hex(s[i])) < 0) return opcion_invalida(ERROR_COLOR);
    if (s.size() == 4)
        return Rgb{static_cast<std::uint8_t>(d[0] * 17), static_cast<std::uint8_t>(d[1] * 17),
                   static_cast<std::uint8_t>(d[2] * 17)};
    return Rgb{static_cast<std::uint8_t>(d[0] * 16 + d[1]), static_cast<std::uint8_t>(d[2] * 16 + d[3]),
               static_cast<std::uint8_t>(d[4] * 16 + d[5])};
}

Resultado<std::vector<Rgb>> leer_colores(const std::vector<std::string>& textos) {
    std::vector<Rgb> colores;
    colores.reserve(textos.size());
    for (const std::string& t : textos) {
        auto c = leer_color(t);
        if (!c) return c.fallo();
        colores.push_back(*c);
    }
    return colores;
}

Resultado<std::vector<Rgb>> leer_lista_colores(std::string_view texto) {
    std::vector<Rgb> colores;
    for (;;) {
        const std::size_t coma = texto.find(',');
        auto c = leer_color(texto.substr(0, coma));
        if (!c) return c.fallo();
        colores.push_back(*c);
        if (coma == std::string_view::npos) return colores;
        texto.remove_prefix(coma + 1);
    }
}

namespace detalle {

void aplicar_parametros(std::string_view p, std::optional<Rgb>& color) {
    std::string_view partes[6];
    std::size_t n = 0;
    for (;;) {
        const std::size_t sep = p.find(';');
        if (n == 6) return;  // más de cinco partes: no es nada que se entienda
        partes[n++] = p.substr(0, sep);
        if (sep == std::string_view::npos) break;
        p.remove_prefix(sep + 1);
    }
    if (n == 1 && (partes[0].empty() || partes[0] == "0")) {
        color.reset();
    } else if (n == 5 && partes[0] == "38" && partes[1] == "2") {
        Rgb c;
        if (leer_canal(partes[2], &c.r) && leer_canal(partes[3], &c.g) && leer_canal(partes[4], &c.b))
            color = c;
        else
            color.reset();
    }
}

}  // namespace detalle

std::vector<LetraColoreada> leer_linea_ansi(std::string_view linea) {
    std::vector<LetraColoreada> letras;
    por_cada_letra_ansi(linea, [&](std::string_view letra, const std::optional<Rgb>& color) {
        letras.push_back({std::string(letra), color});
    });
    return letras;
}

Rgb color_en_degradado(std::uint64_t j, std::uint64_t ancho_max, const std::vector<Rgb>& colores) {
    const std::size_t n = colores.size();
    if (n == 0) return Rgb{};
    if (n == 1) return colores[0];
    const float d = static_cast<float>(std::max<std::uint64_t>(ancho_max, 2) - 1);
    float t = static_cast<float>(j) / d;
    if (t > 1.0f) t = 1.0f;
    const float pos = t * static_cast<float>(n - 1);
    const std::uint64_t k = std::min<std::uint64_t>(truncar(pos), n - 2);
    const float f = pos - static_cast<float>(k);
    auto canal = [&](std::uint8_t c0, std::uint8_t c1) {
        const float v = f * (static_cast<float>(c1) - static_cast<float>(c0)) + static_cast<float>(c0);
        return static_cast<std::uint8_t>(std::min<std::uint64_t>(redondear(v), 255));
    };
    const Rgb& a = colores[k];
    const Rgb& b = colores[k + 1];
    return Rgb{canal(a.r, b.r), canal(a.g, b.g), canal(a.b, b.b)};
}

namespace {

/// Llama a `f(linea)` por cada trozo entre "\n", también los vacíos.
template <class F>
void por_cada_linea(std::string_view texto, F&& f) {
    for (;;) {
        const std::size_t nl = texto.find('\n');
        f(texto.substr(0, nl));
        if (nl == std::string_view::npos) return;
        texto.remove_prefix(nl + 1);
    }
}

/// La secuencia de color más larga: "\x1b[38;2;255;255;255m".
constexpr std::size_t MAX_SECUENCIA = 19;

}  // namespace

std::string colorear_fotograma(std::string_view fotograma, const std::vector<Rgb>& colores) {
    if (colores.empty()) return std::string(fotograma);
    // Primera lectura: el ancho del degradado y una cota de la salida, para reservarla de una vez.
    std::uint64_t ancho_max = 0, cota = 0;
    por_cada_linea(fotograma, [&](std::string_view linea) {
        std::uint64_t letras = 0;
        bool pintada = false;
        por_cada_letra_ansi(linea, [&](std::string_view letra, const std::optional<Rgb>&) {
            ++letras;
            cota += letra.size();
            if (letra != " ") {
                cota += MAX_SECUENCIA;
                pintada = true;
            }
        });
        ancho_max = std::max(ancho_max, letras);
        cota += 1 + (pintada ? REINICIO.size() : 0);
    });
    std::string salida;
    salida.reserve(cota);
    bool primera = true;
    por_cada_linea(fotograma, [&](std::string_view linea) {
        if (!primera) salida.push_back('\n');
        primera = false;
        bool escrito = false;
        Rgb ultimo;
        std::uint64_t j = 0;
        por_cada_letra_ansi(linea, [&](std::string_view letra, const std::optional<Rgb>&) {
            if (letra != " ") {
                const Rgb c = color_en_degradado(j, ancho_max, colores);
                if (!escrito || c != ultimo) escribir_color(salida, c.r, c.g, c.b);
                ultimo = c;
                escrito = true;
            }
            salida.append(letra);
            ++j;
        });
        if (escrito) salida.append(REINICIO);
    });
    return salida;
}

}  // namespace glifador
