// Carga de imágenes: reconoce el formato, lee el archivo y entrega los bytes a su decodificador.
#include "imagen.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "decodificadores.h"
#include "tamano.h"

namespace glifador {
namespace {

using namespace std::string_view_literals;

constexpr const char* TEXTO_DESCONOCIDO = "no se pudo determinar el formato de la imagen";

/// Lo que se sabe del formato antes de decodificar; el nombre solo sirve a los no admitidos.
struct Reconocido {
    Formato formato = Formato::Desconocido;
    const char* nombre = nullptr;
};

constexpr Reconocido no_admitido(const char* nombre) { return {Formato::NoAdmitido, nombre}; }

bool hay_en(const std::uint8_t* d, std::size_t n, std::size_t desde, std::string_view firma) {
    return n >= desde && n - desde >= firma.size() && std::memcmp(d + desde, firma.data(), firma.size()) == 0;
}

// Contenedores ISO (ftyp): la marca principal puede ser genérica (mif1) y la que
// decide va entonces entre las compatibles.
Reconocido por_marcas_iso(const std::uint8_t* d, std::size_t n) {
    if (!hay_en(d, n, 4, "ftyp"sv) || n < 12) return {};
    const std::size_t caja = leer_be32(d);
    const std::size_t fin = std::min(n, std::max<std::size_t>(caja, 12));
    auto tiene = [&](std::initializer_list<std::string_view> marcas) {
        for (std::size_t p = 8; p + 4 <= fin; p += (p == 8 ? 8 : 4)) {
            for (auto m : marcas)
                if (hay_en(d, n, p, m)) return true;
        }
        return false;
    };
    if (tiene({"avif"sv, "avis"sv})) return no_admitido("AVIF");
    if (tiene({"heic"sv, "heix"sv, "heim"sv, "heis"sv, "hevc"sv, "hevx"sv, "mif1"sv, "msf1"sv}))
        return no_admitido("HEIF");
    return {};
}

bool es_espacio(std::uint8_t c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

Reconocido por_firma(const std::uint8_t* d, std::size_t n) {
    if (hay_en(d, n, 0, "\x89PNG\r\n\x1a\n"sv)) return {Formato::Png};
    if (hay_en(d, n, 0, "\xff\xd8\xff"sv)) return {Formato::Jpeg};
    if (hay_en(d, n, 0, "GIF87a"sv) || hay_en(d, n, 0, "GIF89a"sv)) return {Formato::Gif};
    if (hay_en(d, n, 0, "RIFF"sv) && hay_en(d, n, 8, "WEBP"sv)) return {Formato::Webp};
    if (hay_en(d, n, 0, "BM"sv)) return {Formato::Bmp};
    if (hay_en(d, n, 0, "II*\0"sv) || hay_en(d, n, 0, "MM\0*"sv)) return no_admitido("TIFF");
    if (hay_en(d, n, 0, "\0\0\1\0"sv)) return no_admitido("ICO");
    if (hay_en(d, n, 0, "DDS "sv)) return no_admitido("DDS");
    if (hay_en(d, n, 0, "#?RADIANCE"sv) || hay_en(d, n, 0, "#?RGBE"sv)) return no_admitido("HDR");
    if (hay_en(d, n, 0, "\x76\x2f\x31\x01"sv)) return no_admitido("OpenEXR");
    if (hay_en(d, n, 0, "qoif"sv)) return no_admitido("QOI");
    if (hay_en(d, n, 0, "farbfeld"sv)) return no_admitido("farbfeld");
    if (hay_en(d, n, 0, "8BPS"sv)) return no_admitido("PSD");
    if (hay_en(d, n, 0, "\xff\x0a"sv) || hay_en(d, n, 0, "\0\0\0\x0cJXL \r\n\x87\n"sv)) return no_admitido("JPEG XL");
    if (hay_en(d, n, 0, "\0\0\0\x0cjP  \r\n\x87\n"sv) || hay_en(d, n, 0, "\xff\x4f\xff\x51"sv))
        return no_admitido("JPEG 2000");
    if (n >= 3 && d[0] == 'P' && d[1] >= '1' && d[1] <= '7' && es_espacio(d[2])) return no_admitido("PNM");
    return por_marcas_iso(d, n);
}

struct Extension {
    std::string_view texto;
    Reconocido formato;
};

constexpr Extension EXTENSIONES[] = {
    {"png", {Formato::Png}},   {"apng", {Formato::Png}},   {"jpg", {Formato::Jpeg}},
    {"jpeg", {Formato::Jpeg}}, {"jfif", {Formato::Jpeg}},  {"gif", {Formato::Gif}},
    {"webp", {Formato::Webp}}, {"bmp", {Formato::Bmp}},    {"tif", no_admitido("TIFF")},
    {"tiff", no_admitido("TIFF")}, {"tga", no_admitido("TGA")}, {"dds", no_admitido("DDS")},
    {"ico", no_admitido("ICO")},   {"hdr", no_admitido("HDR")}, {"exr", no_admitido("OpenEXR")},
    {"pbm", no_admitido("PNM")},   {"pam", no_admitido("PNM")}, {"ppm", no_admitido("PNM")},
    {"pgm", no_admitido("PNM")},   {"pnm", no_admitido("PNM")}, {"qoi", no_admitido("QOI")},
    {"ff", no_admitido("farbfeld")}, {"avif", no_admitido("AVIF")}, {"heic", no_admitido("HEIF")},
    {"heif", no_admitido("HEIF")}, {"psd", no_admitido("PSD")}, {"jxl", no_admitido("JPEG XL")},
    {"jp2", no_admitido("JPEG 2000")},
};

Reconocido por_extension(std::string_view ruta) {
    const auto barra = ruta.find_last_of('/');
    const std::string_view nombre = barra == std::string_view::npos ? ruta : ruta.substr(barra + 1);
    const auto punto = nombre.find_last_of('.');
    if (punto == std::string_view::npos) return {};
    const std::string_view ext = nombre.substr(punto + 1);
    for (const auto& e : EXTENSIONES) {
        const bool igual = std::equal(ext.begin(), ext.end(), e.texto.begin(), e.texto.end(), [](char a, char b) {
            return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
        });
        if (igual) return e.formato;
    }
    return {};
}

// strerror_r tiene dos firmas según la biblioteca C; cada sobrecarga atiende una.
[[maybe_unused]] const char* texto_de_strerror(int r, const char* buf) { return r == 0 ? buf : "Unknown error"; }
[[maybe_unused]] const char* texto_de_strerror(const char* r, const char*) { return r; }

Fallo fallo_sistema(int err) {
    char buf[256] = {};
    const char* texto = texto_de_strerror(strerror_r(err, buf, sizeof buf), buf);
    return error_entrada_salida(std::string(texto) + " (os error " + std::to_string(err) + ")");
}

struct Descriptor {
    int fd;
    ~Descriptor() { ::close(fd); }
};

// Se lee hasta el final sin fiarse del tamaño que da fstat (tuberías, /proc, archivos
// que cambian): ese tamaño solo orienta la primera reserva.
Resultado<std::vector<std::uint8_t>> leer_archivo(const std::string& ruta) {
    if (ruta.find('\0') != std::string::npos) return fallo_sistema(EINVAL);
    const int fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fallo_sistema(errno);
    const Descriptor cierre{fd};

    // Un archivo mayor que el límite no puede dar una imagen que quepa en él, y leerlo
    // entero (o /dev/zero, que no acaba) agotaría la memoria.
    constexpr std::size_t TOPE = LIMITE_IMAGEN;
    std::size_t capacidad = 64 * 1024;
    struct stat st;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0)
        capacidad = std::min<std::size_t>(static_cast<std::size_t>(st.st_size), TOPE) + 1;

    std::vector<std::uint8_t> datos(capacidad);
    std::size_t usados = 0;
    for (;;) {
        if (usados == datos.size()) {
            if (usados > TOPE) return fallo_limite();
            datos.resize(std::min(datos.size() * 2, TOPE + 1));
        }
        const ssize_t r = ::read(fd, datos.data() + usados, datos.size() - usados);
        if (r < 0) {
            if (errno == EINTR) continue;
            return fallo_sistema(errno);
        }
        if (r == 0) break;
        usados += static_cast<std::size_t>(r);
    }
    if (usados > TOPE) return fallo_limite();
    datos.resize(usados);
    return datos;
}

Resultado<ImagenRgba> decodificar_reconocido(Reconocido r, const std::uint8_t* datos, std::size_t n) {
    if (r.formato == Formato::NoAdmitido && r.nombre != nullptr)
        return imagen_ilegible(std::string("formato de imagen no admitido: ") + r.nombre);
    return decodificar(r.formato, datos, n);
}

}  // namespace

Resultado<ImagenRgba> reservar_imagen(std::uint64_t ancho, std::uint64_t alto) {
    if (!cabe_en_limite(ancho, alto) || ancho > UINT32_MAX || alto > UINT32_MAX) return fallo_limite();
    ImagenRgba img;
    img.ancho = static_cast<std::uint32_t>(ancho);
    img.alto = static_cast<std::uint32_t>(alto);
    img.rgba.resize(ancho * alto * 4);
    return img;
}

Resultado<ImagenRgba> decodificar(Formato formato, const std::uint8_t* datos, std::size_t n) {
    // Ningún decodificador recibe un puntero nulo, ni siquiera con cero bytes.
    static constexpr std::uint8_t VACIO[1] = {0};
    if (n == 0) datos = VACIO;
    switch (formato) {
        case Formato::Png: return decodificar_png(datos, n);
        case Formato::Jpeg: return decodificar_jpeg(datos, n);
        case Formato::Gif: return decodificar_gif(datos, n);
        case Formato::Webp: return decodificar_webp(datos, n);
        case Formato::Bmp: return decodificar_bmp(datos, n);
        case Formato::NoAdmitido: return imagen_ilegible("formato de imagen no admitido");
        case Formato::Desconocido: break;
    }
    return imagen_ilegible(TEXTO_DESCONOCIDO);
}

Resultado<ImagenRgba> cargar_imagen(const Imagen& imagen) {
    if (imagen.tipo == Imagen::Tipo::Bytes) {
        const auto* d = imagen.bytes.data();
        const auto n = imagen.bytes.size();
        return decodificar_reconocido(por_firma(d, n), d, n);
    }
    // El archivo se lee antes de mirar la extensión: uno que falta es un error de E/S
    // sea cual sea su nombre.
    auto datos = leer_archivo(imagen.ruta);
    if (!datos) return datos.fallo();
    return decodificar_reconocido(por_extension(imagen.ruta), datos->data(), datos->size());
}

}  // namespace glifador
