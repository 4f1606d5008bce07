// Escritura del documento SVG: medir primero y escribir después en una cadena ya reservada.
#include "svg.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <new>

#include "core/texto.h"

namespace glifador {

namespace {

const char* const ERROR_MEDIDAS = "intervalo, tamaño y aspecto deben ser > 0";
constexpr std::string_view SUSTITUTO = "\xEF\xBF\xBD";  // U+FFFD

/// Destino que solo cuenta bytes: la misma escritura sirve para medir el documento.
struct Contador {
    std::size_t n = 0;
    void append(std::string_view s) { n += s.size(); }
    void push_back(char) { ++n; }
};

template <class S>
void escapar_en(S& s, std::string_view t) {
    std::size_t limpio = 0, i = 0;
    auto cambiar = [&](std::size_t n, std::string_view por) {
        s.append(t.substr(limpio, i - limpio));
        s.append(por);
        i += n;
        limpio = i;
    };
    while (i < t.size()) {
        const auto c = static_cast<unsigned char>(t[i]);
        if (c < 0x80) {
            if (c == '&')
                cambiar(1, "&amp;");
            else if (c == '<')
                cambiar(1, "&lt;");
            else if (c == '>')
                cambiar(1, "&gt;");
            else if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
                cambiar(1, SUSTITUTO);
            else
                ++i;
            continue;
        }
        std::uint32_t cp;
        const std::size_t n = leer_punto(t, i, &cp);
        // n == 1 fuera de ASCII es UTF-8 roto (o un sustituto suelto): tampoco es XML.
        if (n == 1 || cp == 0xFFFE || cp == 0xFFFF)
            cambiar(n, SUSTITUTO);
        else
            i += n;
    }
    s.append(t.substr(limpio));
}

/// Decimal más corto que se relee como el mismo float, nunca con exponente.
template <class S>
void corto(S& s, float v) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    s.append(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

/// Valor exacto del float redondeado a `decimales` (empates al par).
template <class S>
void fijo(S& s, float v, int decimales) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimales);
    s.append(std::string_view(buf, static_cast<std::size_t>(r.ptr - buf)));
}

template <class S>
void hex(S& s, Rgb c) {
    static const char digitos[] = "0123456789abcdef";
    const char buf[7] = {'#', digitos[c.r >> 4], digitos[c.r & 15], digitos[c.g >> 4],
                         digitos[c.g & 15], digitos[c.b >> 4], digitos[c.b & 15]};
    s.append(std::string_view(buf, 7));
}

/// Las medidas comunes a todo el documento, en float de 32 bits.
struct Medidas {
    float tamano = 0, ancho_celda = 0, alto_linea = 0, margen = 0, intervalo = 0;
    float ancho = 0, alto = 0;       ///< W y H
    std::uint64_t columnas = 0, filas = 0;
};

float y_de_fila(const Medidas& m, std::uint64_t r) {
    return m.tamano * 0.35f + (m.margen + m.alto_linea * (static_cast<float>(r) + 0.5f));
}

float x_de_columna(const Medidas& m, std::uint64_t c) { return m.margen + m.ancho_celda * static_cast<float>(c); }

/// Escribe los tramos de una línea y devuelve cuántas letras tiene.
template <class S>
std::uint64_t linea(S& s, std::string_view texto, std::uint64_t r, const Medidas& m) {
    bool con_texto = false, abierto = false;
    std::optional<Rgb> color_tramo;
    std::uint64_t c = 0;
    auto cerrar = [&] {
        if (abierto) s.append("</tspan>");
        abierto = false;
    };
    por_cada_letra_ansi(texto, [&](std::string_view letra, const std::optional<Rgb>& color) {
        const std::uint64_t columna = c++;
        if (solo_espacio(letra)) return cerrar();
        if (abierto && color == color_tramo) return escapar_en(s, letra);
        cerrar();
        if (!con_texto) {
            s.append("<text y=\"");
            fijo(s, y_de_fila(m, r), 1);
            s.append("\">");
            con_texto = true;
        }
        s.append("<tspan x=\"");
        fijo(s, x_de_columna(m, columna), 1);
        s.push_back('"');
        if (color) {
            s.append(" fill=\"");
            hex(s, *color);
            s.push_back('"');
        }
        s.push_back('>');
        escapar_en(s, letra);
        abierto = true;
        color_tramo = color;
    });
    cerrar();
    if (con_texto) s.append("</text>");
    return c;
}

/// Los grupos de todos los fotogramas; de paso cuenta columnas y filas.
template <class S>
void cuerpo(S& s, const std::vector<std::string>& fotogramas, Medidas& m) {
    const std::size_t n = fotogramas.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (n == 1) {
            s.append("<g>");
        } else {
            s.append("<g class=\"f\" style=\"animation-delay:");
            fijo(s, m.intervalo * static_cast<float>(k), 3);
            s.append(k == 0 ? "s\">" : "s\" opacity=\"0\">");
        }
        std::string_view resto = fotogramas[k];
        for (std::uint64_t r = 0;; ++r) {
            const std::size_t nl = resto.find('\n');
            m.columnas = std::max(m.columnas, linea(s, resto.substr(0, nl), r, m));
            if (nl == std::string_view::npos) {
                m.filas = std::max(m.filas, r + 1);
                break;
            }
            resto.remove_prefix(nl + 1);
        }
        s.append("</g>");
    }
}

template <class S>
void cabecera(S& s, const Medidas& m, std::size_t n, const OpcionesSvg& op) {
    s.append("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 ");
    corto(s, m.ancho);
    s.push_back(' ');
    corto(s, m.alto);
    s.append("\" width=\"");
    corto(s, m.ancho);
    s.append("\" height=\"");
    corto(s, m.alto);
    s.append("\" role=\"img\" aria-label=\"glifador\">");
    const std::size_t paradas = op.colores.size();
    if (paradas > 1) {
        s.append("<defs><linearGradient id=\"g\" x1=\"0\" y1=\"0\" x2=\"1\" y2=\"0\">");
        for (std::size_t i = 0; i < paradas; ++i) {
            s.append("<stop offset=\"");
            fijo(s, static_cast<float>(i) / static_cast<float>(paradas - 1), 3);
            s.append("\" stop-color=\"");
            hex(s, op.colores[i]);
            s.append("\"/>");
        }
        s.append("</linearGradient></defs>");
    }
    s.append("<style>text{font-family:'DejaVu Sans Mono',Menlo,Consolas,'Liberation Mono',monospace;font-size:");
    corto(s, m.tamano);
    s.append("px;font-weight:bold;fill:");
    if (paradas > 1)
        s.append("url(#g)");
    else
        hex(s, op.colores[0]);
    s.push_back('}');
    if (n > 1) {
        s.append(".f{opacity:0;animation:v ");
        fijo(s, m.intervalo * static_cast<float>(n), 3);
        s.append("s step-end infinite}@keyframes v{0%{opacity:1}");
        fijo(s, 100.0f / static_cast<float>(n), 4);
        s.append("%{opacity:0}100%{opacity:0}}");
    }
    s.append("</style>");
    if (op.fondo) {
        s.append("<rect width=\"100%\" height=\"100%\" rx=\"12\" fill=\"");
        hex(s, *op.fondo);
        s.append("\"/>");
    }
}

bool positivo(float v) { return std::isfinite(v) && v > 0.0f; }

/// Todo número que llega al documento es finito; con valores enormes W, H, x, y o la
/// duración se desbordarían a infinito y ningún visor abriría el documento.
bool geometria_finita(const Medidas& m, std::size_t n) {
    const bool filas_ok = m.filas == 0 || std::isfinite(y_de_fila(m, m.filas - 1));
    const bool columnas_ok = m.columnas == 0 || std::isfinite(x_de_columna(m, m.columnas - 1));
    return std::isfinite(m.ancho) && std::isfinite(m.alto) && filas_ok && columnas_ok &&
           std::isfinite(m.intervalo * static_cast<float>(n));
}

}  // namespace

std::string escapar_xml(std::string_view texto) {
    std::string s;
    s.reserve(texto.size());
    escapar_en(s, texto);
    return s;
}

Resultado<std::string> a_svg(const std::vector<std::string>& fotogramas, const OpcionesSvg& op) {
    if (fotogramas.empty()) return opcion_invalida("no hay fotogramas");
    if (op.colores.empty()) return opcion_invalida("hace falta al menos un color");
    if (!positivo(op.intervalo) || !positivo(op.tamano) || !positivo(op.aspecto)) return opcion_invalida(ERROR_MEDIDAS);

    Medidas m;
    m.tamano = op.tamano;
    m.intervalo = op.intervalo;
    m.ancho_celda = op.tamano * 0.6f;
    m.alto_linea = m.ancho_celda * op.aspecto;
    m.margen = op.fondo ? op.tamano * 1.5f : 0.0f;
    // El cuerpo no depende de W ni de H: medirlo da a la vez columnas, filas y su tamaño.
    Contador medida;
    cuerpo(medida, fotogramas, m);
    m.ancho = std::ceil(m.ancho_celda * static_cast<float>(m.columnas) + (m.margen + m.margen));
    m.alto = std::ceil(m.alto_linea * static_cast<float>(m.filas) + (m.margen + m.margen));
    if (!geometria_finita(m, fotogramas.size())) return opcion_invalida(ERROR_MEDIDAS);

    Contador medida_cabecera;
    cabecera(medida_cabecera, m, fotogramas.size(), op);
    constexpr std::string_view CIERRE = "</svg>";
    std::string s;
    const std::size_t total = medida_cabecera.n + medida.n + CIERRE.size();
    if (total > s.max_size()) throw std::bad_alloc();
    s.reserve(total);
    cabecera(s, m, fotogramas.size(), op);
    cuerpo(s, fotogramas, m);
    s.append(CIERRE);
    return s;
}

}  // namespace glifador
