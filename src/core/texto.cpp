// Espacios y letras del mensaje.
#include "texto.h"

#include <utf8proc.h>

#include <new>

namespace glifador {

bool es_espacio(std::uint32_t cp) {
    if (cp <= 0x20) return cp == 0x20 || (cp >= 0x09 && cp <= 0x0D);
    if (cp < 0x85) return false;
    switch (cp) {
        case 0x85: case 0xA0: case 0x1680: case 0x2028: case 0x2029:
        case 0x202F: case 0x205F: case 0x3000:
            return true;
        default:
            return cp >= 0x2000 && cp <= 0x200A;
    }
}

std::size_t leer_punto(std::string_view s, std::size_t i, std::uint32_t* cp) {
    auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        *cp = c;
        return 1;
    }
    utf8proc_int32_t v;
    auto n = utf8proc_iterate(reinterpret_cast<const utf8proc_uint8_t*>(s.data() + i),
                              static_cast<utf8proc_ssize_t>(s.size() - i), &v);
    if (n <= 0) {
        *cp = 0xFFFD;
        return 1;
    }
    *cp = static_cast<std::uint32_t>(v);
    return static_cast<std::size_t>(n);
}

namespace detalle {
bool corte_grafema(std::uint32_t anterior, std::uint32_t cp, std::int32_t* estado) {
    return utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(anterior),
                                            static_cast<utf8proc_int32_t>(cp), estado);
}
}  // namespace detalle

bool solo_espacio(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        std::uint32_t cp;
        i += leer_punto(s, i, &cp);
        if (!es_espacio(cp)) return false;
    }
    return true;
}

std::uint64_t contar_grafemas(std::string_view s) {
    std::uint64_t n = 0;
    por_cada_grafema(s, [&](std::size_t, std::size_t) { ++n; });
    return n;
}

Resultado<Espacios> leer_espacios(std::string_view texto) {
    std::string t(texto);
    for (char& c : t)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (t == "normal") return Espacios::Normal;
    if (t == "sin") return Espacios::Sin;
    if (t == "todos") return Espacios::Todos;
    return opcion_invalida("espacios debe ser \"normal\", \"sin\" o \"todos\"");
}

// Normal y Sin: los trozos entre tramos de espacio, unidos por `union` (" " o nada).
static std::string unir_trozos(std::string_view texto, bool con_espacio) {
    std::string r;
    r.reserve(texto.size());
    bool pendiente = false;  // hubo espacio desde el último trozo
    for (std::size_t i = 0; i < texto.size();) {
        std::uint32_t cp;
        std::size_t n = leer_punto(texto, i, &cp);
        if (es_espacio(cp)) {
            pendiente = true;
        } else {
            if (pendiente && con_espacio && !r.empty()) r.push_back(' ');
            pendiente = false;
            r.append(texto.substr(i, n));
        }
        i += n;
    }
    return r;
}

static std::string conservar_todos(std::string_view texto) {
    std::string t;
    t.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') continue;
        t.push_back(texto[i]);
    }
    while (!t.empty() && t.back() == '\n') t.pop_back();
    std::string r;
    r.reserve(t.size());
    for (std::size_t i = 0; i < t.size();) {
        std::uint32_t cp;
        std::size_t n = leer_punto(t, i, &cp);
        if (es_espacio(cp))
            r.push_back(' ');
        else
            r.append(t, i, n);
        i += n;
    }
    return r;
}

std::string normalizar_espacios(std::string_view texto, Espacios espacios) {
    switch (espacios) {
        case Espacios::Normal: return unir_trozos(texto, true);
        case Espacios::Sin: return unir_trozos(texto, false);
        case Espacios::Todos: return conservar_todos(texto);
    }
    return std::string(texto);
}

Resultado<TextoPreparado> preparar_texto(std::string_view texto, Espacios espacios, bool repetir) {
    if (solo_espacio(texto)) return texto_vacio();
    TextoPreparado t;
    t.texto = normalizar_espacios(texto, espacios);
    // Los cortes son de 32 bits para que un mensaje enorme no multiplique su tamaño por ocho.
    if (t.texto.size() >= UINT32_MAX) throw std::bad_alloc();
    // Nunca hay más letras que bytes: una sola reserva en vez de duplicar la tabla al crecer.
    t.cortes.reserve(t.texto.size() + 2);
    por_cada_grafema(t.texto, [&](std::size_t inicio, std::size_t) {
        t.cortes.push_back(static_cast<std::uint32_t>(inicio));
    });
    t.cuenta = t.cortes.size();
    if (repetir && espacios == Espacios::Normal) {
        t.cortes.push_back(static_cast<std::uint32_t>(t.texto.size()));
        t.texto.push_back(' ');
    }
    t.cortes.push_back(static_cast<std::uint32_t>(t.texto.size()));
    t.repetir = repetir;
    return t;
}

}  // namespace glifador
