// Preparación del mensaje: espacios y letras (racimos de grafemas extendidos).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fallo.h"

namespace glifador {

/// Qué se hace con los espacios del mensaje.
enum class Espacios : std::uint8_t { Normal = 0, Sin = 1, Todos = 2 };

/// El mensaje partido en letras; las letras se guardan seguidas en `texto`.
struct TextoPreparado {
    std::string texto;                 ///< las letras una tras otra (con el separador, si lo hay)
    std::vector<std::uint32_t> cortes; ///< inicio de cada letra en `texto`, y el final
    std::uint64_t cuenta = 0;          ///< letras del mensaje, sin el separador
    bool repetir = true;

    /// Entradas de `letras`, separador incluido.
    std::uint64_t len() const { return cortes.empty() ? 0 : cortes.size() - 1; }
    std::string_view letra(std::uint64_t i) const {
        return std::string_view(texto).substr(cortes[i], cortes[i + 1] - cortes[i]);
    }
};

/// "normal", "sin" o "todos", sin distinguir mayúsculas ASCII.
Resultado<Espacios> leer_espacios(std::string_view texto);

/// Quita, colapsa o conserva los espacios según el modo.
std::string normalizar_espacios(std::string_view texto, Espacios espacios);

/// Normaliza y parte en letras; TextoVacio si no hay nada más que espacio.
Resultado<TextoPreparado> preparar_texto(std::string_view texto, Espacios espacios, bool repetir);

/// Propiedad Unicode White_Space.
bool es_espacio(std::uint32_t cp);

/// Verdadero si todos los caracteres de `s` son espacio (también si `s` está vacía).
bool solo_espacio(std::string_view s);

/// Lee un punto de código en s[i..]; devuelve los bytes que ocupa (1 para bytes no válidos,
/// que se leen como U+FFFD para seguir avanzando).
std::size_t leer_punto(std::string_view s, std::size_t i, std::uint32_t* cp);

/// Llama a `f(inicio, fin)` por cada racimo de grafemas extendido de `s`.
template <class F>
void por_cada_grafema(std::string_view s, F&& f);

/// Número de racimos de grafemas de `s`.
std::uint64_t contar_grafemas(std::string_view s);

namespace detalle {
bool corte_grafema(std::uint32_t anterior, std::uint32_t cp, std::int32_t* estado);
}

template <class F>
void por_cada_grafema(std::string_view s, F&& f) {
    std::size_t inicio = 0, i = 0;
    std::uint32_t anterior = 0;
    std::int32_t estado = 0;
    while (i < s.size()) {
        std::uint32_t cp;
        std::size_t n = leer_punto(s, i, &cp);
        if (i > 0 && detalle::corte_grafema(anterior, cp, &estado)) {
            f(inicio, i);
            inicio = i;
        }
        anterior = cp;
        i += n;
    }
    if (i > inicio) f(inicio, i);
}

}  // namespace glifador
