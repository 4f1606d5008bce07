// El informe de texto que `glifador analizar` imprime a partir del análisis de la silueta.
#pragma once

#include <cstddef>
#include <string>

#include "core/analisis.h"

namespace glifador {

/// Mayor relleno de la columna de la plantilla; las líneas más largas se escriben tal cual
/// y solo ellas desplazan su "│".
inline constexpr std::size_t RELLENO_MAXIMO_PLANTILLA = 65535;

/// El informe completo, sin salto de línea final (quien lo imprime lo añade).
std::string informe_texto(const Informe& informe);

}  // namespace glifador
