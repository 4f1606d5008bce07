// Los fotogramas de una animación: el texto avanza por la figura y la figura late.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/fallo.h"
#include "core/imagen.h"
#include "core/opciones.h"
#include "core/silueta.h"

namespace glifador {

/// Lo que solo tiene la animación.
struct OpcionesAnimacion {
    std::optional<std::uint64_t> fotogramas;  ///< vacío = los justos para un bucle sin costura
    std::uint64_t paso = 1;                   ///< letras que avanza el texto por fotograma
    float latido = 0.0f;                      ///< profundidad del latido, 0 ≤ latido < 1
};

/// Número de fotogramas; `letras` cuenta el separador que se añade al repetir.
std::uint64_t numero_de_fotogramas(std::optional<std::uint64_t> fotogramas, std::uint64_t paso, float latido,
                                   std::uint64_t letras);

/// Factor de tamaño del fotograma i de n: un doble pulso por vuelta, 1.0 en el primero.
float escala_latido(std::uint64_t i, std::uint64_t n, float latido);

/// Copia de la silueta con la figura encogida por `factor` (0 < factor ≤ 1) alrededor del
/// centro, al mismo tamaño en píxeles. Sin `con_colores` los colores quedan vacíos.
Silueta encoger(const Silueta& silueta, float factor, bool con_colores = true);

/// Un texto por fotograma, todos con el mismo número de líneas.
Resultado<std::vector<std::string>> animar(ImagenRgba imagen, std::string_view texto, const Opciones& opciones,
                                           const OpcionesAnimacion& animacion);

}  // namespace glifador
