// Colores de la salida: colores en hexadecimal, líneas con secuencias ANSI y degradados.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fallo.h"
#include "core/texto.h"

namespace glifador {

/// Un color de tres canales de 8 bits.
struct Rgb {
    std::uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

/// Una letra de una línea de fotograma con el color que la precede (vacío = sin color).
struct LetraColoreada {
    std::string texto;
    std::optional<Rgb> color;
};

// Lectura de colores escritos por el usuario

/// "#rgb" o "#rrggbb" con espacio alrededor permitido.
Resultado<Rgb> leer_color(std::string_view texto);
/// Cada texto con leer_color; el primero que falla decide.
Resultado<std::vector<Rgb>> leer_colores(const std::vector<std::string>& textos);
/// "C1,C2,…": cada trozo entre comas, también los vacíos, con leer_color.
Resultado<std::vector<Rgb>> leer_lista_colores(std::string_view texto);

// Lectura de fotogramas con color

/// Las letras de una línea con el color de la última secuencia ANSI que las precede.
std::vector<LetraColoreada> leer_linea_ansi(std::string_view linea);

/// Lo mismo sin copiar cada letra: `f(letra, color)` con color `const std::optional<Rgb>&`.
template <class F>
void por_cada_letra_ansi(std::string_view linea, F&& f);

// Degradado horizontal para la terminal

/// Color de la columna j cuando la línea más larga tiene `ancho_max` letras; `colores` no vacío.
Rgb color_en_degradado(std::uint64_t j, std::uint64_t ancho_max, const std::vector<Rgb>& colores);
/// El fotograma sin sus colores, repintado con el degradado (sin cambios si no hay colores).
std::string colorear_fotograma(std::string_view fotograma, const std::vector<Rgb>& colores);

namespace detalle {
/// Aplica los parámetros de una secuencia "ESC[…" al color actual.
void aplicar_parametros(std::string_view parametros, std::optional<Rgb>& color);
}  // namespace detalle

template <class F>
void por_cada_letra_ansi(std::string_view linea, F&& f) {
    std::optional<Rgb> color;
    std::size_t i = 0;
    const std::size_t n = linea.size();
    while (i < n) {
        if (linea[i] == '\x1b') {
            // Un ESC suelto se descarta: es un carácter de control que ni la terminal ni el SVG deben recibir.
            if (i + 1 >= n || linea[i + 1] != '[') {
                ++i;
                continue;
            }
            std::size_t j = i + 2;
            while (j < n && !((linea[j] >= 'A' && linea[j] <= 'Z') || (linea[j] >= 'a' && linea[j] <= 'z'))) ++j;
            detalle::aplicar_parametros(linea.substr(i + 2, j - (i + 2)), color);
            i = j < n ? j + 1 : n;
            continue;
        }
        std::size_t fin = linea.find('\x1b', i);
        if (fin == std::string_view::npos) fin = n;
        const std::string_view trozo = linea.substr(i, fin - i);
        por_cada_grafema(trozo, [&](std::size_t a, std::size_t b) { f(trozo.substr(a, b - a), color); });
        i = fin;
    }
}

}  // namespace glifador
