// Lectura de las opciones que llegan como texto.
#include "opciones.h"

namespace glifador {

bool leer_entero(std::string_view t, std::uint64_t* valor) {
    if (!t.empty() && t[0] == '+') t.remove_prefix(1);
    if (t.empty()) return false;
    std::uint64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return false;
        if (__builtin_mul_overflow(v, 10u, &v) || __builtin_add_overflow(v, static_cast<unsigned>(c - '0'), &v))
            return false;
    }
    *valor = v;
    return true;
}

Resultado<Ancho> leer_ancho(std::string_view texto) {
    if (texto.size() == 4) {
        bool es_auto = true;
        for (std::size_t i = 0; i < 4; ++i) {
            char c = texto[i];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
            es_auto = es_auto && c == "auto"[i];
        }
        if (es_auto) return Ancho::autom();
    }
    std::uint64_t n;
    if (leer_entero(texto, &n)) return Ancho::num(n);
    return opcion_invalida("ancho debe ser un entero o \"auto\"");
}

}  // namespace glifador
