// Carga de imágenes: de una ruta o de bytes a RGBA de 8 bits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "fallo.h"

namespace glifador {

/// Imagen decodificada: RGBA de 8 bits, sin premultiplicar, fila a fila.
struct ImagenRgba {
    std::uint32_t ancho = 0;
    std::uint32_t alto = 0;
    std::vector<std::uint8_t> rgba;  ///< ancho × alto × 4 bytes
};

/// La imagen que da el usuario: bytes codificados o una ruta.
struct Imagen {
    enum class Tipo : std::uint8_t { Bytes, Ruta } tipo = Tipo::Bytes;
    std::vector<std::uint8_t> bytes;  ///< Bytes
    std::string ruta;                 ///< Ruta, en la codificación del sistema de archivos
};

/// Formatos que se reconocen; solo los cinco primeros tienen decodificador.
enum class Formato : std::uint8_t { Png, Jpeg, Gif, Webp, Bmp, NoAdmitido, Desconocido };

/// Decodifica la imagen; todo fallo es ImagenIlegible (con la marca de E/S si lo es).
Resultado<ImagenRgba> cargar_imagen(const Imagen& imagen);

/// Decodifica bytes ya leídos cuyo formato se conoce.
Resultado<ImagenRgba> decodificar(Formato formato, const std::uint8_t* datos, std::size_t n);

}  // namespace glifador
