// La silueta: qué píxeles son figura, a la resolución de la propia imagen.
#pragma once

#include <cstdint>
#include <vector>

#include "fallo.h"
#include "imagen.h"
#include "opciones.h"

namespace glifador {

struct Silueta {
    std::vector<std::uint8_t> mascara;  ///< 1 = figura, 0 = fondo; índice y × ancho_px + x
    /// Color de cada píxel tal como se decodificó; se guarda el RGBA entero para no copiarlo,
    /// y el alfa no se usa: 4 bytes por píxel, mismo índice que `mascara`.
    std::vector<std::uint8_t> colores;
    std::uint64_t ancho_px = 0;
    std::uint64_t alto_px = 0;
    float aspecto = 2.0f;
    /// Tabla de sumas acumuladas de la máscara, (alto_px + 1) × (ancho_px + 1): con ella
    /// cada celda se cuenta en tiempo constante, sea cual sea su tamaño. Un solo cero si la
    /// imagen no tiene píxeles.
    std::vector<std::uint32_t> suma;

    /// Píxeles de figura del rectángulo [x0, x1) × [y0, y1).
    std::uint64_t figura(std::uint64_t x0, std::uint64_t x1, std::uint64_t y0, std::uint64_t y1) const {
        const std::uint64_t w = ancho_px + 1;
        return std::uint64_t{suma[y1 * w + x1]} - suma[y0 * w + x1] - suma[y1 * w + x0] + suma[y0 * w + x0];
    }
};

/// Comprueba las opciones y decide figura y fondo. Solo falla con OpcionInvalida.
Resultado<Silueta> extraer_silueta(ImagenRgba imagen, const Opciones& opciones);

/// Rellena `suma` a partir de `mascara`.
void calcular_sumas(Silueta& silueta);

// Pasos sueltos, expuestos para las pruebas del núcleo.

/// Mediana superior de cada canal sobre las muestras del borde.
void color_de_fondo(const ImagenRgba& imagen, std::uint8_t rgb[3]);
/// Distancia de cada píxel al fondo, escalada a 0..255.
void distancias(const ImagenRgba& imagen, const std::uint8_t fondo[3], std::uint8_t* salida);
/// Umbral de Otsu sobre el histograma de 256 casillas.
std::uint8_t umbral_otsu(const std::uint64_t histograma[256], std::uint64_t total_px);

}  // namespace glifador
