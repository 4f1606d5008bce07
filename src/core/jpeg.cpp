// Decodificador JPEG (gris, RGB, CMYK e YCCK) con la interfaz clásica de libjpeg.
#include <csetjmp>
#include <cstdio>  // jpeglib.h necesita FILE y size_t declarados antes

#include <jerror.h>
#include <jpeglib.h>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

/// Gestor de errores de libjpeg que vuelve a nuestro marco con longjmp.
struct ErrorJpeg {
    jpeg_error_mgr base;
    std::jmp_buf salto;
    int codigo;  ///< msg_code del error o del aviso que paró la decodificación
};

/// Todo el estado de una decodificación; agregado sin destructores para poder vivir bajo setjmp.
struct Jpeg {
    jpeg_decompress_struct info;
    ErrorJpeg error;
};

[[noreturn]] void jpeg_salir(j_common_ptr c) {
    auto* e = reinterpret_cast<ErrorJpeg*>(c->err);
    e->codigo = c->err->msg_code;
    std::longjmp(e->salto, 1);
}

// Un archivo cortado solo da avisos y libjpeg rellena lo que falta con gris: aquí esos
// avisos paran la decodificación, porque la silueta saldría de píxeles inventados.
void jpeg_avisar(j_common_ptr c, int nivel) {
    const int codigo = c->err->msg_code;
    if (nivel < 0 && (codigo == JWRN_JPEG_EOF || codigo == JWRN_HIT_MARKER)) {
        auto* e = reinterpret_cast<ErrorJpeg*>(c->err);
        e->codigo = codigo;
        std::longjmp(e->salto, 1);
    }
}

// Nada se escribe en stderr.
void jpeg_callar(j_common_ptr) {}

// Las funciones con setjmp no tienen objetos con destructor ni variables locales que
// cambien tras el setjmp: longjmp no ejecutaría los unos y dejaría indeterminadas las otras.
bool jpeg_cabecera(Jpeg* j, const std::uint8_t* datos, std::size_t n) {
    if (setjmp(j->error.salto)) return false;
    jpeg_create_decompress(&j->info);
    jpeg_mem_src(&j->info, datos, static_cast<unsigned long>(n));
    jpeg_read_header(&j->info, TRUE);
    return true;
}

bool jpeg_cuerpo(Jpeg* j, std::uint8_t* salida, std::uint32_t ancho, std::uint32_t alto) {
    if (setjmp(j->error.salto)) return false;
    jpeg_start_decompress(&j->info);
    // La salida se reservó con las dimensiones de la cabecera: nada se escribe si difieren.
    if (j->info.output_width != ancho || j->info.output_height != alto || j->info.output_components != 4) {
        j->error.codigo = -1;
        return false;
    }
    const std::size_t paso = std::size_t{j->info.output_width} * 4;
    while (j->info.output_scanline < j->info.output_height) {
        JSAMPROW fila = salida + std::size_t{j->info.output_scanline} * paso;
        if (jpeg_read_scanlines(&j->info, &fila, 1) != 1) {
            j->error.codigo = JWRN_JPEG_EOF;
            return false;
        }
    }
    jpeg_finish_decompress(&j->info);
    return true;
}

struct Destruir {
    Jpeg* j;
    ~Destruir() { jpeg_destroy_decompress(&j->info); }
};

Fallo fallo_jpeg(int codigo) {
    switch (codigo) {
        case JWRN_JPEG_EOF:
        case JWRN_HIT_MARKER:
        case JERR_INPUT_EOF:
        case JERR_INPUT_EMPTY:
            return imagen_ilegible("JPEG truncado");
        case JERR_NO_BACKING_STORE:
        case JERR_OUT_OF_MEMORY:
            return fallo_limite();
        case JERR_NO_SOI:
            return imagen_ilegible("no es un archivo JPEG válido");
        case JERR_EMPTY_IMAGE:
        case JERR_IMAGE_TOO_BIG:
        case JERR_WIDTH_OVERFLOW:
            return imagen_ilegible("JPEG dañado: las dimensiones no son válidas");
        case JERR_NO_IMAGE:
            return imagen_ilegible("JPEG dañado: no contiene ninguna imagen");
        case JERR_CONVERSION_NOTIMPL:
        case JERR_BAD_J_COLORSPACE:
            return imagen_ilegible("JPEG con un espacio de color no admitido");
        default:
            return imagen_ilegible("JPEG dañado");
    }
}

// Busca el marcador SOF recorriendo los segmentos, para que un archivo que declara un
// tamaño enorme falle por el límite aunque le falte lo que libjpeg lee antes de aceptarlo.
bool sof_declara_demasiado(const std::uint8_t* d, std::size_t n) {
    if (n < 2 || d[0] != 0xFF || d[1] != 0xD8) return false;
    std::size_t p = 2;
    while (p + 4 <= n) {
        if (d[p] != 0xFF) return false;
        const std::uint8_t m = d[p + 1];
        if (m == 0xFF) {  // relleno entre marcadores
            ++p;
            continue;
        }
        if (m == 0xD9 || m == 0xDA) return false;
        if ((m >= 0xD0 && m <= 0xD7) || m == 0x01) {
            p += 2;
            continue;
        }
        const std::size_t largo = leer_be16(d + p + 2);
        const bool sof = m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
        if (sof && p + 9 <= n) return !cabe_en_limite(leer_be16(d + p + 7), leer_be16(d + p + 5));
        p += 2 + largo;
    }
    return false;
}

// Los JPEG CMYK de Adobe guardan los valores invertidos: el canal ya es 255 − tinta,
// así que R = C·K/255 redondeado, y lo mismo G y B.
void cmyk_a_rgba(std::vector<std::uint8_t>& px) {
    for (std::size_t i = 0; i + 3 < px.size(); i += 4) {
        const unsigned k = px[i + 3];
        for (std::size_t c = i; c < i + 3; ++c) px[c] = static_cast<std::uint8_t>((px[c] * k + 127) / 255);
        px[i + 3] = 255;
    }
}

}  // namespace

Resultado<ImagenRgba> decodificar_jpeg(const std::uint8_t* datos, std::size_t n) {
    if (sof_declara_demasiado(datos, n)) return fallo_limite();
    Jpeg j{};
    j.info.err = jpeg_std_error(&j.error.base);
    j.error.base.error_exit = jpeg_salir;
    j.error.base.emit_message = jpeg_avisar;
    j.error.base.output_message = jpeg_callar;
    const Destruir destruir{&j};

    if (!jpeg_cabecera(&j, datos, n)) return fallo_jpeg(j.error.codigo);
    bool cmyk = false;
    switch (j.info.jpeg_color_space) {
        case JCS_GRAYSCALE:
        case JCS_RGB:
        case JCS_YCbCr:
            j.info.out_color_space = JCS_EXT_RGBA;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            j.info.out_color_space = JCS_CMYK;
            cmyk = true;
            break;
        default:
            return imagen_ilegible("JPEG con un espacio de color no admitido");
    }
    auto img = reservar_imagen(j.info.image_width, j.info.image_height);
    if (!img) return img.fallo();
    // Los JPEG progresivos guardan todos los coeficientes: que no pasen de lo que la
    // imagen deja libre del límite.
    j.info.mem->max_memory_to_use = static_cast<long>(LIMITE_IMAGEN - img->rgba.size());

    if (!jpeg_cuerpo(&j, img->rgba.data(), img->ancho, img->alto)) return fallo_jpeg(j.error.codigo);
    if (cmyk) cmyk_a_rgba(img->rgba);
    return img;
}

}  // namespace glifador
