// Comprobación independiente del SVG que sale del escritor: UTF-8, caracteres de XML 1.0 y buena formación.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace glifador::fuzz {

// Escrito aparte, sin el código del proyecto, para no comprobar el escritor consigo mismo.

/// Bytes del carácter que empieza en s[i] y su valor en *cp; 0 si no es UTF-8 válido.
inline std::size_t leer_utf8(std::string_view s, std::size_t i, std::uint32_t* cp) {
    const auto c = static_cast<unsigned char>(s[i]);
    const std::size_t largo = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (largo == 0 || s.size() - i < largo) return 0;
    std::uint32_t v = largo == 1 ? c : c & (0x7Fu >> largo);
    for (std::size_t k = 1; k < largo; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b >> 6) != 2) return 0;
        v = v << 6 | (b & 0x3Fu);
    }
    static constexpr std::uint32_t MINIMO[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < MINIMO[largo] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
    *cp = v;
    return largo;
}

inline bool utf8_valido(std::string_view s) {
    std::uint32_t cp;
    for (std::size_t i = 0, n; i < s.size(); i += n)
        if ((n = leer_utf8(s, i, &cp)) == 0) return false;
    return true;
}

inline bool caracter_xml(std::uint32_t cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

/// Texto que el documento puede llevar tal cual, sin sustituciones.
inline bool texto_xml(std::string_view s) {
    std::uint32_t cp;
    for (std::size_t i = 0, n; i < s.size(); i += n)
        if ((n = leer_utf8(s, i, &cp)) == 0 || !caracter_xml(cp)) return false;
    return true;
}

/// Comprobador estricto del XML que sale del escritor: elementos, atributos entre comillas
/// dobles, solo &amp; &lt; &gt;, caracteres de XML 1.0 en UTF-8 y etiquetas que cierran.
/// De paso cuenta los grupos hijos de la raíz y junta el texto de los tspan.
struct Xml {
    std::string_view s;
    std::size_t i = 0;
    std::size_t grupos = 0;
    std::string texto_tspan;

    bool queda(std::string_view t) const { return s.substr(i, t.size()) == t; }

    static bool inicio_nombre(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':'; }
    static bool letra_nombre(char c) {
        return inicio_nombre(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    bool nombre(std::string_view* n) {
        const std::size_t a = i;
        if (i >= s.size() || !inicio_nombre(s[i])) return false;
        while (i < s.size() && letra_nombre(s[i])) ++i;
        *n = s.substr(a, i - a);
        return true;
    }

    /// "&amp;", "&lt;" o "&gt;" en s[i]; añade el carácter a *destino si lo hay.
    bool entidad(std::string* destino) {
        static constexpr std::pair<std::string_view, char> ENTIDADES[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}};
        for (const auto& [e, c] : ENTIDADES) {
            if (!queda(e)) continue;
            i += e.size();
            if (destino) destino->push_back(c);
            return true;
        }
        return false;
    }

    /// Un carácter de XML en UTF-8; lo añade a *destino si lo hay.
    bool caracter(std::string* destino) {
        std::uint32_t cp;
        const std::size_t n = leer_utf8(s, i, &cp);
        if (n == 0 || !caracter_xml(cp)) return false;
        if (destino) destino->append(s.substr(i, n));
        i += n;
        return true;
    }

    /// Los números que lee un visor: coordenadas, medidas y desplazamientos, nunca inf ni nan.
    static bool valor_numerico(std::string_view atributo, std::string_view v) {
        if (atributo != "x" && atributo != "y" && atributo != "viewBox" && atributo != "offset") return true;
        return !v.empty() && std::all_of(v.begin(), v.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.' || c == ' '; });
    }

    bool atributo(std::vector<std::string_view>& vistos) {
        std::string_view n;
        if (!nombre(&n) || std::find(vistos.begin(), vistos.end(), n) != vistos.end()) return false;
        vistos.push_back(n);
        if (!queda("=\"")) return false;
        i += 2;
        const std::size_t a = i;
        while (i < s.size() && s[i] != '"') {
            if (s[i] == '<') return false;
            if (s[i] == '&' ? !entidad(nullptr) : !caracter(nullptr)) return false;
        }
        if (i >= s.size()) return false;
        const std::string_view valor = s.substr(a, i - a);
        ++i;
        return valor_numerico(n, valor);
    }

    bool elemento(std::size_t profundidad) {
        std::string_view n;
        if (!queda("<") || (++i, !nombre(&n))) return false;
        if (profundidad == 0 && n != "svg") return false;
        if (profundidad == 1 && n == "g") ++grupos;
        std::vector<std::string_view> vistos;
        for (;;) {
            if (queda("/>")) {
                i += 2;
                return true;
            }
            if (queda(">")) break;
            if (!queda(" ")) return false;
            while (queda(" ")) ++i;
            if (!atributo(vistos)) return false;
        }
        ++i;
        std::string* texto = n == "tspan" ? &texto_tspan : nullptr;
        for (;;) {
            if (i >= s.size()) return false;
            if (queda("</")) {
                i += 2;
                std::string_view cierre;
                if (!nombre(&cierre) || cierre != n || !queda(">")) return false;
                ++i;
                return true;
            }
            if (queda("<")) {
                if (!elemento(profundidad + 1)) return false;
            } else if (queda("]]>")) {
                return false;
            } else if (s[i] == '&' ? !entidad(texto) : !caracter(texto)) {
                return false;
            }
        }
    }

    bool documento() { return elemento(0) && i == s.size(); }
};

}  // namespace glifador::fuzz
