// El dibujo: el mensaje escrito en las celdas de figura, y el compositor de fotogramas.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fallo.h"
#include "imagen.h"
#include "opciones.h"
#include "rejilla.h"
#include "texto.h"

namespace glifador {

/// Lo que dibujar y animar preparan igual, en este orden: la silueta, el texto y el ancho.
struct Preparado {
    Silueta silueta;
    TextoPreparado texto;
    std::uint64_t ancho = 0;
};
Resultado<Preparado> preparar_dibujo(ImagenRgba imagen, std::string_view mensaje, const Opciones& opciones);

/// La figura de texto de una imagen y un mensaje.
Resultado<std::string> dibujar(ImagenRgba imagen, std::string_view texto, const Opciones& opciones);

/// El menor ancho (1..1000) cuya rejilla tiene al menos `cuenta` celdas de figura.
Resultado<std::uint64_t> ancho_minimo(const Silueta& silueta, std::uint64_t cuenta);

/// Coloca el texto en cada rejilla (una por fotograma) y la convierte en líneas.
/// `colores` puede estar vacío; si no, su elemento i es el de la rejilla i.
Resultado<std::vector<std::string>> componer_fotogramas(const std::vector<Rejilla>& rejillas,
                                                        const std::vector<RejillaColor>& colores,
                                                        const TextoPreparado& texto,
                                                        const std::vector<std::uint64_t>& inicios,
                                                        std::uint64_t n);

/// Añade la secuencia ANSI de color de primer plano de 24 bits.
void escribir_color(std::string& salida, std::uint8_t r, std::uint8_t g, std::uint8_t b);
inline constexpr std::string_view REINICIO = "\x1b[0m";

}  // namespace glifador
