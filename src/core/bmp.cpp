// Decodificador BMP con stb_image (compilado aquí con BMP como único formato).
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string_view>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

// stb_image no pasa contexto a su reservador: cada petición se limita por separado. Para
// BMP hace una sola reserva, la de la salida, así que eso basta como límite total.
void* stb_reservar(std::size_t n) { return n > LIMITE_IMAGEN ? nullptr : std::malloc(n); }
[[maybe_unused]] void* stb_reasignar(void* p, std::size_t n) { return n > LIMITE_IMAGEN ? nullptr : std::realloc(p, n); }

}  // namespace
}  // namespace glifador

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STBI_ONLY_BMP
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#define STBI_MALLOC(n) ::glifador::stb_reservar(n)
#define STBI_REALLOC(p, n) ::glifador::stb_reasignar(p, n)
#define STBI_FREE(p) std::free(p)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wold-style-cast"
#pragma GCC diagnostic ignored "-Wuseless-cast"
#include <stb_image.h>
#pragma GCC diagnostic pop

namespace glifador {
namespace {

struct LiberarStb {
    void operator()(stbi_uc* p) const { stbi_image_free(p); }
};

/// Los campos de la cabecera que hay que comprobar antes de dejar decodificar a stb_image.
struct CabeceraBmp {
    std::uint32_t inicio;    ///< desplazamiento de los píxeles en el archivo
    std::uint32_t tam_info;  ///< tamaño de la cabecera DIB
    std::int64_t ancho, alto;
    std::uint32_t bits, compresion;
};

Resultado<CabeceraBmp> leer_cabecera(const std::uint8_t* d, std::size_t n) {
    if (n < 18 || d[0] != 'B' || d[1] != 'M') return imagen_ilegible(n < 18 ? "BMP truncado" : "no es un archivo BMP válido");
    CabeceraBmp c{};
    c.inicio = leer_le32(d + 10);
    c.tam_info = leer_le32(d + 14);
    const bool conocida = c.tam_info == 12 || c.tam_info == 40 || c.tam_info == 56 || c.tam_info == 108 || c.tam_info == 124;
    if (!conocida) return imagen_ilegible("BMP con un tipo de cabecera no admitido");
    if (n - 14 < c.tam_info) return imagen_ilegible("BMP truncado");
    if (c.tam_info == 12) {
        c.ancho = leer_le16(d + 18);
        c.alto = leer_le16(d + 20);
        c.bits = leer_le16(d + 24);
    } else {
        c.ancho = static_cast<std::int32_t>(leer_le32(d + 18));
        c.alto = static_cast<std::int32_t>(leer_le32(d + 22));
        c.bits = leer_le16(d + 28);
        c.compresion = leer_le32(d + 30);
    }
    // Alto negativo: filas de arriba abajo. Se toma el valor absoluto en 64 bits.
    if (c.alto < 0) c.alto = -c.alto;
    if (c.ancho < 0) return imagen_ilegible("BMP dañado: el ancho es negativo");
    return c;
}

// stb_image lee ceros en lugar de fallar cuando se acaban los datos, y toma los colores que
// falten en una paleta corta de memoria sin iniciar: ambas cosas se comprueban antes.
std::optional<Fallo> comprobar_pixeles(const std::uint8_t* d, std::size_t n, const CabeceraBmp& c) {
    if (c.compresion == 1 || c.compresion == 2) return imagen_ilegible("BMP comprimido con RLE no admitido");
    if (c.compresion != 0 && c.compresion != 3)
        return imagen_ilegible("BMP con una compresión no admitida");
    if (c.bits != 1 && c.bits != 4 && c.bits != 8 && c.bits != 16 && c.bits != 24 && c.bits != 32)
        return imagen_ilegible("BMP con una profundidad de color no admitida");
    const std::uint64_t fila = (static_cast<std::uint64_t>(c.ancho) * c.bits + 31) / 32 * 4;
    if (c.inicio > n || (n - c.inicio) / fila < static_cast<std::uint64_t>(c.alto)) return imagen_ilegible("BMP truncado");
    if (c.bits > 8) return std::nullopt;

    // El número de colores de la paleta, calculado como lo hace stb_image.
    const std::int64_t inicio = static_cast<std::int32_t>(c.inicio);
    const std::int64_t colores = c.tam_info == 12 ? (inicio - 14 - 24) / 3 : (inicio - 14 - c.tam_info) >> 2;
    if (colores < 1 || colores > 256) return imagen_ilegible("BMP dañado: la paleta no es válida");
    const unsigned por_byte = 8 / c.bits, mascara = (1u << c.bits) - 1;
    for (std::uint64_t y = 0; y < static_cast<std::uint64_t>(c.alto); ++y) {
        const std::uint8_t* p = d + c.inicio + y * fila;
        for (std::uint64_t x = 0; x < static_cast<std::uint64_t>(c.ancho); ++x) {
            const unsigned desplazamiento = (por_byte - 1 - static_cast<unsigned>(x % por_byte)) * c.bits;
            if (((p[x / por_byte] >> desplazamiento) & mascara) >= colores)
                return imagen_ilegible("BMP dañado: un píxel usa un color que no está en la paleta");
        }
    }
    return std::nullopt;
}

Fallo fallo_stb() {
    const char* motivo = stbi_failure_reason();
    const std::string_view m = motivo ? motivo : "";
    if (m.find("RLE") != std::string_view::npos) return imagen_ilegible("BMP comprimido con RLE no admitido");
    if (m.find("compression") != std::string_view::npos) return imagen_ilegible("BMP con una compresión no admitida");
    if (m == "Out of memory" || m.find("large") != std::string_view::npos) return fallo_limite();
    return imagen_ilegible("BMP dañado");
}

}  // namespace

Resultado<ImagenRgba> decodificar_bmp(const std::uint8_t* datos, std::size_t n) {
    auto cab = leer_cabecera(datos, n);
    if (!cab) return cab.fallo();
    const auto ancho_bmp = static_cast<std::uint64_t>(cab->ancho), alto_bmp = static_cast<std::uint64_t>(cab->alto);
    if (!cabe_en_limite(ancho_bmp, alto_bmp)) return fallo_limite();
    // Sin píxeles no hay nada que leer, ni nada que pasar a stb_image.
    if (ancho_bmp == 0 || alto_bmp == 0) {
        if (cab->inicio > n) return imagen_ilegible("BMP truncado");
        return reservar_imagen(ancho_bmp, alto_bmp);
    }
    if (auto f = comprobar_pixeles(datos, n, *cab)) return *f;
    if (n > INT32_MAX) return fallo_limite();

    int ancho = 0, alto = 0, canales = 0;
    std::unique_ptr<stbi_uc, LiberarStb> px(
        stbi_load_from_memory(datos, static_cast<int>(n), &ancho, &alto, &canales, 4));
    if (!px) return fallo_stb();
    if (static_cast<std::uint64_t>(ancho) != ancho_bmp || static_cast<std::uint64_t>(alto) != alto_bmp)
        return imagen_ilegible("BMP dañado");
    auto img = reservar_imagen(ancho_bmp, alto_bmp);
    if (!img) return img.fallo();
    std::memcpy(img->rgba.data(), px.get(), img->rgba.size());
    // En BI_RGB de 32 bits el cuarto byte está reservado, no es alfa: stb_image lo usaría
    // como alfa si no fuera cero en todo el archivo.
    if (cab->bits == 32 && cab->compresion == 0)
        for (std::size_t i = 3; i < img->rgba.size(); i += 4) img->rgba[i] = 255;
    return img;
}

}  // namespace glifador
