// El documento SVG: uno o varios fotogramas como imagen fija o animación CSS.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "colores_ansi.h"
#include "core/fallo.h"

namespace glifador {

struct OpcionesSvg {
    std::vector<Rgb> colores;   ///< un color, o las paradas de un degradado de izquierda a derecha
    std::optional<Rgb> fondo;   ///< vacío = fondo transparente y sin margen
    float intervalo = 0.08f;    ///< segundos por fotograma
    float tamano = 14.0f;       ///< tamaño de letra en píxeles
    float aspecto = 2.0f;       ///< alto de línea / ancho de celda
};

/// "#ff2d55" → "#b44dff".
inline const std::vector<Rgb> COLORES_POR_DEFECTO = {{0xff, 0x2d, 0x55}, {0xb4, 0x4d, 0xff}};

/// "&", "<" y ">" como entidades; lo que XML 1.0 no admite (controles, U+FFFE, U+FFFF,
/// UTF-8 roto) como U+FFFD, para que el documento siga siendo legible.
std::string escapar_xml(std::string_view texto);

/// El documento completo; falla con OpcionInvalida si faltan fotogramas o colores, o si
/// las medidas no son números finitos positivos.
Resultado<std::string> a_svg(const std::vector<std::string>& fotogramas, const OpcionesSvg& opciones);

}  // namespace glifador
