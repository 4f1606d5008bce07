// El único valor de error del núcleo: cada operación devuelve su resultado o un Fallo.
#pragma once

#include <cstdint>
#include <new>
#include <string>
#include <utility>
#include <variant>

namespace glifador {

/// Las cinco clases de fallo, cada una con su mensaje para el usuario.
enum class TipoFallo : std::uint8_t { ImagenIlegible, TextoVacio, SinSilueta, OpcionInvalida, NoCabe };

/// Un fallo con lo que su mensaje necesita.
struct Fallo {
    TipoFallo tipo = TipoFallo::OpcionInvalida;
    std::string texto;           ///< ImagenIlegible y OpcionInvalida
    bool entrada_salida = false; ///< ImagenIlegible causado por un error de E/S
    std::uint64_t letras = 0;    ///< NoCabe: letras del mensaje
    std::uint64_t capacidad = 0; ///< NoCabe: capacidad a 1000 columnas
};

/// Columnas en las que el ancho automático deja de buscar (tercer valor de NoCabe).
inline constexpr std::uint64_t ANCHO_MAXIMO_AUTO = 1000;

Fallo imagen_ilegible(std::string texto);
Fallo error_entrada_salida(std::string texto);
Fallo opcion_invalida(std::string texto);
Fallo texto_vacio();
Fallo sin_silueta();
Fallo no_cabe(std::uint64_t letras, std::uint64_t capacidad);

/// El texto que ve el usuario, igual en Python y en la línea de órdenes.
std::string mensaje(const Fallo& fallo);

/// Un valor o un fallo; nunca ambos.
template <class T>
class Resultado {
public:
    Resultado(T valor) : v_(std::in_place_index<0>, std::move(valor)) {}
    Resultado(Fallo fallo) : v_(std::in_place_index<1>, std::move(fallo)) {}

    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& valor() { return std::get<0>(v_); }
    const T& valor() const { return std::get<0>(v_); }
    T& operator*() { return valor(); }
    T* operator->() { return &valor(); }
    const Fallo& fallo() const { return std::get<1>(v_); }

private:
    std::variant<T, Fallo> v_;
};

/// Resultado de una operación sin valor.
struct Nada {};

}  // namespace glifador
