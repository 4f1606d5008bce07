// Reproducción de fotogramas en la terminal: se dibuja cada uno sobre el anterior con el cursor oculto.
#pragma once

#include "ref.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "animacion/colores_ansi.h"

namespace glifador {

/// Lo que se escribe de verdad: cada fotograma ya rellenado, coloreado y con sus borrados de línea.
struct FotogramasPreparados {
    std::vector<std::string> fotogramas;
    std::string retorno;  ///< vuelve a la primera columna de la primera línea del área
};

/// Todo el trabajo previo, para que entre fotogramas solo quede escribir y esperar.
FotogramasPreparados preparar_fotogramas(const std::vector<std::string>& fotogramas, const std::vector<Rgb>& colores);

/// Falso para un intervalo negativo, NaN o infinito.
bool intervalo_valido(double intervalo);
inline constexpr const char* TEXTO_INTERVALO = "intervalo debe ser >= 0";

/// Reproduce en el descriptor 1 `veces` vueltas (vacío = sin fin) y deja la terminal como estaba.
/// Falso con la excepción de Python puesta: KeyboardInterrupt o la de otro manejador de señales,
/// u OSError con el texto del sistema si falla una escritura.
bool reproducir_fotogramas(const FotogramasPreparados& preparados, double intervalo,
                           std::optional<std::uint64_t> veces);

}  // namespace glifador
