// Decodificador GIF con giflib: solo el primer fotograma, compuesto sobre la pantalla lógica.
#include <gif_lib.h>

#include <cstring>
#include <memory>
#include <vector>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

/// Lo que giflib va leyendo de la memoria; pos queda justo tras lo último que pidió.
struct Lector {
    const std::uint8_t* datos;
    std::size_t n;
    std::size_t pos;
};

int gif_leer(GifFileType* g, GifByteType* destino, int cuantos) {
    auto* l = static_cast<Lector*>(g->UserData);
    const std::size_t pedido = cuantos > 0 ? static_cast<std::size_t>(cuantos) : 0;
    const std::size_t k = std::min(pedido, l->n - l->pos);
    std::memcpy(destino, l->datos + l->pos, k);
    l->pos += k;
    return static_cast<int>(k);
}

struct CerrarGif {
    void operator()(GifFileType* g) const {
        int error;
        DGifCloseFile(g, &error);
    }
};
using Gif = std::unique_ptr<GifFileType, CerrarGif>;

Fallo fallo_gif(int codigo) {
    switch (codigo) {
        case D_GIF_ERR_READ_FAILED:
        case D_GIF_ERR_EOF_TOO_SOON:
            return imagen_ilegible("GIF truncado");
        case D_GIF_ERR_IMAGE_DEFECT:
            return imagen_ilegible("GIF truncado: la imagen acaba antes de completarse");
        case D_GIF_ERR_NOT_GIF_FILE:
            return imagen_ilegible("no es un archivo GIF válido");
        case D_GIF_ERR_NOT_ENOUGH_MEM:
            throw std::bad_alloc();
        default:
            return imagen_ilegible("GIF dañado");
    }
}

// Salta una serie de subbloques (longitud + datos) terminada en uno vacío.
bool saltar_subbloques(const std::uint8_t* d, std::size_t n, std::size_t& p) {
    for (;;) {
        if (p >= n) return false;
        const std::size_t largo = d[p++];
        if (largo == 0) return true;
        if (n - p < largo) return false;
        p += largo;
    }
}

// Tras el primer fotograma se recorre el resto sin decodificarlo, solo para comprobar que
// el archivo llega entero hasta su final (0x3B). Lo que no se entiende se toma como final.
bool llega_al_final(const std::uint8_t* d, std::size_t n, std::size_t p) {
    for (;;) {
        if (p >= n) return false;
        const std::uint8_t tipo = d[p++];
        if (tipo == 0x21) {
            if (p++ >= n || !saltar_subbloques(d, n, p)) return false;
        } else if (tipo == 0x2C) {
            if (n - p < 9) return false;
            const std::uint8_t banderas = d[p + 8];
            p += 9;
            if (banderas & 0x80) {
                const std::size_t paleta = 3u << ((banderas & 7) + 1);
                if (n - p < paleta) return false;
                p += paleta;
            }
            if (p++ >= n || !saltar_subbloques(d, n, p)) return false;
        } else {
            return true;
        }
    }
}

/// El primer fotograma y cómo pintarlo.
struct Fotograma {
    const GifImageDesc* desc;
    const ColorMapObject* paleta;  ///< nulo si el archivo no trae ninguna
    int transparente;              ///< índice transparente, −1 si no hay
};

// Pinta una fila del fotograma en la fila y de la pantalla, recortando por sus bordes.
void pintar_fila(ImagenRgba& lienzo, const Fotograma& f, std::uint64_t y, const std::vector<GifPixelType>& fila) {
    if (y >= lienzo.alto) return;
    const std::uint64_t x0 = static_cast<std::uint64_t>(f.desc->Left);
    for (std::size_t i = 0; i < fila.size() && x0 + i < lienzo.ancho; ++i) {
        const int indice = fila[i];
        if (indice == f.transparente) continue;
        std::uint8_t* px = lienzo.rgba.data() + (y * lienzo.ancho + x0 + i) * 4;
        if (f.paleta == nullptr) {
            // Sin paleta no hay colores definidos: el índice se toma como nivel de gris.
            px[0] = px[1] = px[2] = static_cast<std::uint8_t>(indice);
        } else if (indice < f.paleta->ColorCount) {
            px[0] = f.paleta->Colors[indice].Red;
            px[1] = f.paleta->Colors[indice].Green;
            px[2] = f.paleta->Colors[indice].Blue;
        } else {
            px[0] = px[1] = px[2] = 0;
        }
        px[3] = 255;
    }
}

// Las filas de un GIF entrelazado llegan en cuatro pasadas: desde 0, 4, 2 y 1, de 8, 8, 4 y 2 en 2.
int leer_fotograma(GifFileType* g, ImagenRgba& lienzo, const Fotograma& f) {
    const auto ancho = static_cast<std::size_t>(f.desc->Width);
    const auto alto = static_cast<std::uint64_t>(f.desc->Height);
    const auto y0 = static_cast<std::uint64_t>(f.desc->Top);
    std::vector<GifPixelType> fila(ancho);
    static constexpr std::uint64_t INICIO[4] = {0, 4, 2, 1}, PASO[4] = {8, 8, 4, 2};
    const int pasadas = f.desc->Interlace ? 4 : 1;
    for (int p = 0; p < pasadas; ++p) {
        const std::uint64_t inicio = f.desc->Interlace ? INICIO[p] : 0, paso = f.desc->Interlace ? PASO[p] : 1;
        for (std::uint64_t y = inicio; y < alto; y += paso) {
            if (DGifGetLine(g, fila.data(), static_cast<int>(ancho)) == GIF_ERROR) return g->Error;
            pintar_fila(lienzo, f, y0 + y, fila);
        }
    }
    return 0;
}

// Un fotograma sin píxeles trae igualmente su flujo LZW; se salta sin decodificarlo.
int saltar_fotograma(GifFileType* g) {
    int tam_codigo;
    GifByteType* bloque;
    if (DGifGetCode(g, &tam_codigo, &bloque) == GIF_ERROR) return g->Error;
    while (bloque != nullptr)
        if (DGifGetCodeNext(g, &bloque) == GIF_ERROR) return g->Error;
    return 0;
}

}  // namespace

Resultado<ImagenRgba> decodificar_gif(const std::uint8_t* datos, std::size_t n) {
    // El tamaño de pantalla se mira en los bytes antes que giflib, que podría fallar por
    // lo que sigue y ocultar que el archivo declara una imagen enorme.
    if (n >= 10 && std::memcmp(datos, "GIF8", 4) == 0 && !cabe_en_limite(leer_le16(datos + 6), leer_le16(datos + 8)))
        return fallo_limite();
    Lector lector{datos, n, 0};
    int error = 0;
    Gif g(DGifOpen(&lector, gif_leer, &error));
    if (!g) return fallo_gif(error);
    auto lienzo = reservar_imagen(static_cast<std::uint64_t>(g->SWidth), static_cast<std::uint64_t>(g->SHeight));
    if (!lienzo) return lienzo.fallo();

    int transparente = -1;
    for (;;) {
        GifRecordType tipo;
        if (DGifGetRecordType(g.get(), &tipo) == GIF_ERROR) return fallo_gif(g->Error);
        if (tipo == TERMINATE_RECORD_TYPE) return imagen_ilegible("GIF dañado: no contiene ninguna imagen");
        if (tipo == EXTENSION_RECORD_TYPE) {
            int codigo;
            GifByteType* ext;
            if (DGifGetExtension(g.get(), &codigo, &ext) == GIF_ERROR) return fallo_gif(g->Error);
            GraphicsControlBlock gcb;
            if (codigo == GRAPHICS_EXT_FUNC_CODE && ext != nullptr && DGifExtensionToGCB(ext[0], ext + 1, &gcb) == GIF_OK)
                transparente = gcb.TransparentColor;
            while (ext != nullptr)
                if (DGifGetExtensionNext(g.get(), &ext) == GIF_ERROR) return fallo_gif(g->Error);
            continue;
        }
        if (tipo != IMAGE_DESC_RECORD_TYPE) return imagen_ilegible("GIF dañado");

        if (DGifGetImageDesc(g.get()) == GIF_ERROR) return fallo_gif(g->Error);
        const GifImageDesc& desc = g->Image;
        if (!cabe_en_limite(static_cast<std::uint64_t>(desc.Width), static_cast<std::uint64_t>(desc.Height)))
            return fallo_limite();
        const Fotograma f{&desc, desc.ColorMap ? desc.ColorMap : g->SColorMap, transparente};
        const bool vacio = desc.Width <= 0 || desc.Height <= 0;
        if (int e = vacio ? saltar_fotograma(g.get()) : leer_fotograma(g.get(), *lienzo, f)) return fallo_gif(e);
        if (!llega_al_final(datos, n, lector.pos)) return imagen_ilegible("GIF truncado");
        return lienzo;
    }
}

}  // namespace glifador
