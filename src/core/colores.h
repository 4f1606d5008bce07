// Colores de las letras: el color medio, en luz lineal, de la figura bajo cada celda.
#pragma once

#include <cstdint>

#include "rejilla.h"

namespace glifador {

/// Un color por celda con la forma de construir_rejilla(silueta, columnas); columnas ≥ 1.
RejillaColor colores_por_celda(const Silueta& silueta, std::uint64_t columnas);

}  // namespace glifador
