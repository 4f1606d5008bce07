// Decodificador PNG (de un APNG, la imagen principal) con libspng.
#include <spng.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

// libspng no pasa ningún contexto a su reservador, así que no puede llevar la
// cuenta sin estado global: cada petición se limita aquí y el total de los bloques
// auxiliares con spng_set_chunk_limits.
void* png_reservar(std::size_t n) { return n > LIMITE_IMAGEN ? nullptr : std::malloc(n); }
void* png_reasignar(void* p, std::size_t n) { return n > LIMITE_IMAGEN ? nullptr : std::realloc(p, n); }
void* png_reservar_ceros(std::size_t cuantos, std::size_t tam) {
    std::uint64_t total;
    if (!multiplicar(cuantos, tam, &total) || total > LIMITE_IMAGEN) return nullptr;
    return std::calloc(cuantos, tam);
}
void png_liberar(void* p) { std::free(p); }

struct BorrarContexto {
    void operator()(spng_ctx* c) const { spng_ctx_free(c); }
};
using Contexto = std::unique_ptr<spng_ctx, BorrarContexto>;

Fallo fallo_png(int e) {
    switch (e) {
        case SPNG_EMEM:
        case SPNG_ECHUNK_LIMITS:
        case SPNG_EOVERFLOW:
            return fallo_limite();
        case SPNG_IO_EOF:
        case SPNG_EOF:
        case SPNG_EIDAT_TOO_SHORT:
            return imagen_ilegible("PNG truncado");
        case SPNG_ESIGNATURE:
            return imagen_ilegible("no es un archivo PNG válido");
        case SPNG_ECHUNK_CRC:
            return imagen_ilegible("PNG dañado: un bloque no supera su suma de comprobación");
        case SPNG_EIDAT_STREAM:
        case SPNG_EZLIB:
        case SPNG_EFILTER:
            return imagen_ilegible("PNG dañado: los datos comprimidos de la imagen no son válidos");
        case SPNG_ENOPLTE:
        case SPNG_EPLTE_IDX:
            return imagen_ilegible("PNG dañado: la paleta falta o no es válida");
        default:
            break;
    }
    if (e >= SPNG_EWIDTH && e <= SPNG_ENOIHDR) return imagen_ilegible("PNG dañado: la cabecera no es válida");
    return imagen_ilegible("PNG dañado: la estructura de bloques no es válida");
}

// Comprobación previa con los bytes en bruto de IHDR, para que un archivo que declara
// un tamaño enorme falle por el límite aunque esté cortado justo después.
bool ihdr_declara_demasiado(const std::uint8_t* d, std::size_t n) {
    if (n < 24 || std::memcmp(d, "\x89PNG", 4) != 0 || std::memcmp(d + 12, "IHDR", 4) != 0) return false;
    return !cabe_en_limite(leer_be32(d + 16), leer_be32(d + 20));
}

// libspng se para en la cabecera de IEND sin leer su CRC: aquí se exige el bloque entero, que
// es siempre el mismo, para que un archivo cortado en sus últimos bytes no pase por completo.
bool iend_completo(const std::uint8_t* d, std::size_t n) {
    static constexpr std::uint8_t IEND[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
    std::size_t p = 8;
    while (n > p && n - p >= 12) {
        if (std::memcmp(d + p + 4, IEND + 4, 4) == 0) return std::memcmp(d + p, IEND, 12) == 0;
        const std::size_t largo = leer_be32(d + p);
        if (largo > n - p - 12) return false;
        p += 12 + largo;
    }
    return false;
}

// Columnas de cada pasada de Adam7; sin entrelazado, la única pasada las cubre todas.
struct Pasada {
    std::uint32_t x0, paso;
};
constexpr Pasada PASADAS[7] = {{0, 8}, {4, 8}, {0, 4}, {2, 4}, {0, 2}, {1, 2}, {0, 1}};

// libspng trunca las muestras de 16 bits a 8 (v >> 8); se piden de 16 y se redondea aquí
// con (v + 128) / 257, que es round(v·255/65535) sin empates posibles.
int decodificar_filas16(spng_ctx* ctx, ImagenRgba& img, bool entrelazada) {
    const std::size_t muestras = std::size_t{img.ancho} * 4;
    std::vector<std::uint16_t> fila(muestras);
    int e;
    do {
        spng_row_info info;
        if ((e = spng_get_row_info(ctx, &info)) != 0) return e;
        e = spng_decode_row(ctx, fila.data(), muestras * 2);
        if (e != 0 && e != SPNG_EOI) return e;
        const Pasada p = entrelazada ? PASADAS[info.pass] : PASADAS[6];
        std::uint8_t* destino = img.rgba.data() + std::size_t{info.row_num} * muestras;
        for (std::size_t x = p.x0; x < img.ancho; x += p.paso)
            for (std::size_t c = 4 * x; c < 4 * x + 4; ++c)
                destino[c] = static_cast<std::uint8_t>((fila[c] + 128u) / 257u);
    } while (e == 0);
    return e;
}

// En filas de 8 bits libspng escribe cada pasada en su sitio dentro de la fila final.
int decodificar_filas8(spng_ctx* ctx, ImagenRgba& img) {
    const std::size_t bytes = std::size_t{img.ancho} * 4;
    int e;
    do {
        spng_row_info info;
        if ((e = spng_get_row_info(ctx, &info)) != 0) return e;
        e = spng_decode_row(ctx, img.rgba.data() + std::size_t{info.row_num} * bytes, bytes);
    } while (e == 0);
    return e;
}

}  // namespace

Resultado<ImagenRgba> decodificar_png(const std::uint8_t* datos, std::size_t n) {
    if (ihdr_declara_demasiado(datos, n)) return fallo_limite();
    spng_alloc reservador{png_reservar, png_reasignar, png_reservar_ceros, png_liberar};
    Contexto ctx(spng_ctx_new2(&reservador, 0));
    if (!ctx) throw std::bad_alloc();
    if (int e = spng_set_png_buffer(ctx.get(), datos, n)) return fallo_png(e);

    spng_ihdr ihdr;
    if (int e = spng_get_ihdr(ctx.get(), &ihdr)) return fallo_png(e);
    auto img = reservar_imagen(ihdr.width, ihdr.height);
    if (!img) return img.fallo();

    // Los bloques auxiliares (texto comprimido, perfiles ICC) se descomprimen enteros en
    // memoria: que no pasen de lo que la imagen deja libre del límite.
    std::size_t tam_bloque, cache;
    spng_get_chunk_limits(ctx.get(), &tam_bloque, &cache);
    spng_set_chunk_limits(ctx.get(), tam_bloque, LIMITE_IMAGEN - img->rgba.size());

    const bool de16 = ihdr.bit_depth == 16;
    const int fmt = de16 ? SPNG_FMT_RGBA16 : SPNG_FMT_RGBA8;
    if (int e = spng_decode_image(ctx.get(), nullptr, 0, fmt, SPNG_DECODE_TRNS | SPNG_DECODE_PROGRESSIVE))
        return fallo_png(e);
    const int e = de16 ? decodificar_filas16(ctx.get(), *img, ihdr.interlace_method != 0)
                       : decodificar_filas8(ctx.get(), *img);
    if (e != SPNG_EOI) return fallo_png(e);
    // Leer hasta IEND: un archivo cortado después de los datos de imagen también está truncado.
    if (int e2 = spng_decode_chunks(ctx.get())) return fallo_png(e2);
    if (!iend_completo(datos, n)) return imagen_ilegible("PNG truncado");
    return img;
}

}  // namespace glifador
