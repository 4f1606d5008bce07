// Aritmética de tamaños comprobada: ninguna reserva se calcula sin ella.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace glifador {

/// Lo más que puede ocupar una imagen decodificada (RGBA de 8 bits).
inline constexpr std::uint64_t LIMITE_IMAGEN = 512ull * 1024 * 1024;

/// a × b en *r; falso si se desborda.
inline bool multiplicar(std::uint64_t a, std::uint64_t b, std::uint64_t* r) {
    return !__builtin_mul_overflow(a, b, r);
}

/// a × b, o bad_alloc si no cabe en memoria direccionable: un desbordamiento es falta de recursos.
inline std::size_t tamano_o_bad_alloc(std::uint64_t a, std::uint64_t b) {
    std::uint64_t r;
    if (!multiplicar(a, b, &r) || r > PTRDIFF_MAX) throw std::bad_alloc();
    return static_cast<std::size_t>(r);
}

/// Bytes RGBA de una imagen de ancho × alto si caben en el límite de decodificación.
inline bool cabe_en_limite(std::uint64_t ancho, std::uint64_t alto) {
    std::uint64_t px, bytes;
    return multiplicar(ancho, alto, &px) && multiplicar(px, 4, &bytes) && bytes <= LIMITE_IMAGEN;
}

}  // namespace glifador
