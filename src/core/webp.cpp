// Decodificador WebP con libwebp: imágenes fijas y el primer fotograma de las animadas.
#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>
#include <memory>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

struct BorrarDemux {
    void operator()(WebPDemuxer* d) const { WebPDemuxDelete(d); }
};

struct SoltarIterador {
    WebPIterator* it;
    ~SoltarIterador() { WebPDemuxReleaseIterator(it); }
};

Fallo fallo_webp(VP8StatusCode estado) {
    switch (estado) {
        case VP8_STATUS_OUT_OF_MEMORY:
            throw std::bad_alloc();
        case VP8_STATUS_NOT_ENOUGH_DATA:
        case VP8_STATUS_SUSPENDED:
            return imagen_ilegible("WebP truncado");
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return imagen_ilegible("WebP con una característica no admitida");
        default:
            return imagen_ilegible("WebP dañado");
    }
}

// Un VP8X declara el lienzo en sus propios bytes; se mira antes que libwebp, que con un
// archivo cortado respondería «faltan datos» y ocultaría que la imagen no cabe.
bool vp8x_declara_demasiado(const std::uint8_t* d, std::size_t n) {
    if (n < 30 || std::memcmp(d, "RIFF", 4) != 0 || std::memcmp(d + 8, "WEBPVP8X", 8) != 0) return false;
    return !cabe_en_limite(std::uint64_t{leer_le24(d + 24)} + 1, std::uint64_t{leer_le24(d + 27)} + 1);
}

// Decodifica un flujo WebP en un rectángulo del lienzo (paso de fila: el del lienzo).
VP8StatusCode decodificar_en(const std::uint8_t* datos, std::size_t n, ImagenRgba& lienzo, std::uint32_t x,
                             std::uint32_t y, std::uint32_t ancho, std::uint32_t alto) {
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config)) return VP8_STATUS_INVALID_PARAM;
    const std::size_t paso = std::size_t{lienzo.ancho} * 4;
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = lienzo.rgba.data() + std::size_t{y} * paso + std::size_t{x} * 4;
    config.output.u.RGBA.stride = static_cast<int>(paso);
    config.output.u.RGBA.size = (std::size_t{alto} - 1) * paso + std::size_t{ancho} * 4;
    const VP8StatusCode estado = WebPDecode(datos, n, &config);
    WebPFreeDecBuffer(&config.output);
    if (estado == VP8_STATUS_OK && (config.output.width != static_cast<int>(ancho) ||
                                    config.output.height != static_cast<int>(alto)))
        return VP8_STATUS_BITSTREAM_ERROR;
    return estado;
}

// WebPAnimDecoder mantiene dos lienzos propios además del nuestro: el primer fotograma se
// decodifica directamente en su sitio. Sobre un lienzo transparente, mezclarlo o no da lo mismo.
Resultado<ImagenRgba> primer_fotograma(const std::uint8_t* datos, std::size_t n, ImagenRgba lienzo) {
    const WebPData bruto{datos, n};
    std::unique_ptr<WebPDemuxer, BorrarDemux> demux(WebPDemux(&bruto));
    if (!demux) return imagen_ilegible("WebP truncado o dañado");
    if (WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH) != lienzo.ancho ||
        WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT) != lienzo.alto)
        return imagen_ilegible("WebP dañado");
    WebPIterator it;
    if (!WebPDemuxGetFrame(demux.get(), 1, &it)) return imagen_ilegible("WebP dañado: la animación no tiene fotogramas");
    const SoltarIterador soltar{&it};
    if (it.x_offset < 0 || it.y_offset < 0 || it.width <= 0 || it.height <= 0 ||
        static_cast<std::uint64_t>(it.x_offset) + static_cast<std::uint64_t>(it.width) > lienzo.ancho ||
        static_cast<std::uint64_t>(it.y_offset) + static_cast<std::uint64_t>(it.height) > lienzo.alto)
        return imagen_ilegible("WebP dañado: el fotograma se sale del lienzo");
    const VP8StatusCode estado =
        decodificar_en(it.fragment.bytes, it.fragment.size, lienzo, static_cast<std::uint32_t>(it.x_offset),
                       static_cast<std::uint32_t>(it.y_offset), static_cast<std::uint32_t>(it.width),
                       static_cast<std::uint32_t>(it.height));
    if (estado != VP8_STATUS_OK) return fallo_webp(estado);
    return lienzo;
}

}  // namespace

Resultado<ImagenRgba> decodificar_webp(const std::uint8_t* datos, std::size_t n) {
    if (vp8x_declara_demasiado(datos, n)) return fallo_limite();
    WebPBitstreamFeatures rasgos;
    if (VP8StatusCode e = WebPGetFeatures(datos, n, &rasgos); e != VP8_STATUS_OK) return fallo_webp(e);
    if (rasgos.width <= 0 || rasgos.height <= 0) return imagen_ilegible("WebP dañado");
    auto lienzo = reservar_imagen(static_cast<std::uint64_t>(rasgos.width), static_cast<std::uint64_t>(rasgos.height));
    if (!lienzo) return lienzo.fallo();
    if (rasgos.has_animation) return primer_fotograma(datos, n, std::move(*lienzo));
    const VP8StatusCode e = decodificar_en(datos, n, *lienzo, 0, 0, lienzo->ancho, lienzo->alto);
    if (e != VP8_STATUS_OK) return fallo_webp(e);
    return lienzo;
}

}  // namespace glifador
