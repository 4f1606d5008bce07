// Un decodificador por formato; todos comprueban el límite de memoria antes de reservar.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imagen.h"

namespace glifador {

Resultado<ImagenRgba> decodificar_png(const std::uint8_t* datos, std::size_t n);
Resultado<ImagenRgba> decodificar_jpeg(const std::uint8_t* datos, std::size_t n);
Resultado<ImagenRgba> decodificar_gif(const std::uint8_t* datos, std::size_t n);
Resultado<ImagenRgba> decodificar_webp(const std::uint8_t* datos, std::size_t n);
Resultado<ImagenRgba> decodificar_bmp(const std::uint8_t* datos, std::size_t n);

/// Texto común del fallo por tamaño: la imagen necesitaría más de 512 MiB.
inline const char* TEXTO_LIMITE = "la imagen supera el límite de 512 MiB";

/// El fallo por tamaño, igual en todos los formatos.
inline Fallo fallo_limite() { return imagen_ilegible(TEXTO_LIMITE); }

/// Imagen de ancho × alto con todos los píxeles a cero (transparentes), o el fallo por tamaño.
Resultado<ImagenRgba> reservar_imagen(std::uint64_t ancho, std::uint64_t alto);

/// Enteros sin signo guardados en los bytes de un archivo (el llamante comprueba la longitud).
inline std::uint32_t leer_be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
inline std::uint16_t leer_be16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] << 8 | p[1]); }
inline std::uint32_t leer_le32(const std::uint8_t* p) {
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}
inline std::uint32_t leer_le24(const std::uint8_t* p) { return std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0]; }
inline std::uint16_t leer_le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[1] << 8 | p[0]); }

}  // namespace glifador
