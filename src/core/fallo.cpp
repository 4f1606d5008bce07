// Mensajes de los fallos: el único sitio donde se redactan.
#include "fallo.h"

namespace glifador {

Fallo imagen_ilegible(std::string texto) {
    Fallo f;
    f.tipo = TipoFallo::ImagenIlegible;
    f.texto = std::move(texto);
    return f;
}

Fallo error_entrada_salida(std::string texto) {
    Fallo f = imagen_ilegible(std::move(texto));
    f.entrada_salida = true;
    return f;
}

Fallo opcion_invalida(std::string texto) {
    Fallo f;
    f.tipo = TipoFallo::OpcionInvalida;
    f.texto = std::move(texto);
    return f;
}

Fallo texto_vacio() {
    Fallo f;
    f.tipo = TipoFallo::TextoVacio;
    return f;
}

Fallo sin_silueta() {
    Fallo f;
    f.tipo = TipoFallo::SinSilueta;
    return f;
}

Fallo no_cabe(std::uint64_t letras, std::uint64_t capacidad) {
    Fallo f;
    f.tipo = TipoFallo::NoCabe;
    f.letras = letras;
    f.capacidad = capacidad;
    return f;
}

std::string mensaje(const Fallo& f) {
    switch (f.tipo) {
        case TipoFallo::ImagenIlegible:
            return "no se pudo leer la imagen: " + f.texto;
        case TipoFallo::TextoVacio:
            return "el texto está vacío";
        case TipoFallo::SinSilueta:
            return "no se encontró ninguna silueta en la imagen";
        case TipoFallo::OpcionInvalida:
            return "opción inválida: " + f.texto;
        case TipoFallo::NoCabe:
            return "el texto tiene " + std::to_string(f.letras) + " letras y la silueta admite como mucho " +
                   std::to_string(f.capacidad) + " (con " + std::to_string(ANCHO_MAXIMO_AUTO) + " columnas)";
    }
    return {};
}

}  // namespace glifador
