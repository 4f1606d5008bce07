// Opciones del núcleo, comunes a dibujar, analizar y animar.
#pragma once

#include <cstdint>
#include <optional>

#include "fallo.h"
#include "texto.h"

namespace glifador {

/// Ancho pedido: un número de columnas o el menor que admite todo el mensaje.
struct Ancho {
    bool automatico = false;
    std::uint64_t columnas = 60;

    static Ancho num(std::uint64_t n) { return {false, n}; }
    static Ancho autom() { return {true, 0}; }
};

struct Opciones {
    Ancho ancho;
    std::uint64_t suavizar = 0;          ///< radio de cierre en píxeles
    std::uint64_t desfase = 0;           ///< la primera celda recibe la letra número `desfase`
    float aspecto = 2.0f;                ///< alto / ancho de un carácter
    std::optional<std::uint8_t> umbral;  ///< vacío = umbral automático
    bool repetir = true;
    bool invertir = false;
    bool huecos = false;
    bool color = false;
    Espacios espacios = Espacios::Normal;
};

}  // namespace glifador

namespace glifador {

/// "auto" (sin distinguir mayúsculas ASCII) o un entero decimal sin signo con "+" opcional.
Resultado<Ancho> leer_ancho(std::string_view texto);

/// Entero decimal sin signo de 64 bits: "+" opcional y al menos un dígito, nada más.
bool leer_entero(std::string_view texto, std::uint64_t* valor);

}  // namespace glifador
