// Los objetivos de fuzzing toman sus opciones de los últimos bytes de la entrada.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace glifador::fuzz {

/// Entrada partida en cuerpo y cola de opciones. Con menos bytes que la cola, todo es
/// cuerpo y las opciones valen cero: así cualquier archivo sirve de semilla tal cual.
struct Entrada {
    static constexpr std::size_t COLA = 8;
    const std::uint8_t* cuerpo;
    std::size_t n;
    std::uint8_t op[COLA] = {};

    Entrada(const std::uint8_t* datos, std::size_t tam) : cuerpo(datos), n(tam) {
        if (tam >= COLA) {
            n = tam - COLA;
            std::memcpy(op, datos + n, COLA);
        }
    }
};

/// Una comprobación que no debe fallar nunca: el fuzzer la ve como un fallo.
inline void exigir(bool condicion, const char* archivo = __builtin_FILE(), int linea = __builtin_LINE()) {
    if (condicion) return;
    std::fprintf(stderr, "comprobación fallida en %s:%d\n", archivo, linea);
    __builtin_trap();
}

}  // namespace glifador::fuzz
