// Llamadas POSIX de la línea de órdenes y de la reproducción, con sus reintentos.
#include "sistema.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace glifador {
namespace {

// strerror_r tiene dos firmas según la biblioteca C; cada sobrecarga atiende una.
[[maybe_unused]] const char* de_strerror(int r, const char* buf) { return r == 0 ? buf : "Unknown error"; }
[[maybe_unused]] const char* de_strerror(const char* r, const char*) { return r; }

struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

int escribir_todo(int fd, std::string_view datos) {
    while (!datos.empty()) {
        const ssize_t r = ::write(fd, datos.data(), datos.size());
        if (r < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        datos.remove_prefix(static_cast<std::size_t>(r));
    }
    return 0;
}

Lectura leer_todo(int fd, AtenderSenales atender) {
    Lectura l;
    char buf[64 * 1024];
    for (;;) {
        const ssize_t r = ::read(fd, buf, sizeof buf);
        if (r > 0) {
            l.datos.append(buf, static_cast<std::size_t>(r));
        } else if (r == 0) {
            return l;
        } else if (errno != EINTR) {
            l.error = errno;
            return l;
        } else if (atender && !atender()) {
            // Sin esto, Ctrl+C mientras se espera la entrada estándar no pararía nada.
            l.interrumpida = true;
            return l;
        }
    }
}

Lectura leer_archivo(const std::string& ruta, AtenderSenales atender) {
    Lectura l;
    if (ruta.find('\0') != std::string::npos) {
        l.error = EINVAL;
        return l;
    }
    int fd;
    for (;;) {
        fd = ::open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) break;
        // Guardado antes de `atender`: un manejador de señales en Python puede cambiar errno.
        l.error = errno;
        if (l.error != EINTR) return l;
        if (atender && !atender()) {
            l.interrumpida = true;
            return l;
        }
    }
    l.error = 0;
    const Descriptor cierre{fd};
    return leer_todo(fd, atender);
}

int escribir_archivo(const std::string& ruta, std::string_view datos) {
    if (ruta.find('\0') != std::string::npos) return EINVAL;
    int fd;
    do {
        fd = ::open(ruta.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno;
    Descriptor cierre{fd};
    if (const int e = escribir_todo(fd, datos)) return e;
    // Algunos sistemas de archivos solo informan del fallo al cerrar.
    cierre.fd = -1;
    if (::close(fd) < 0 && errno != EINTR) return errno;
    return 0;
}

std::string texto_error_sistema(int err) {
    char buf[256] = {};
    const char* texto = de_strerror(strerror_r(err, buf, sizeof buf), buf);
    return std::string(texto) + " (os error " + std::to_string(err) + ")";
}

bool es_utf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t largo;
        unsigned minimo_segundo = 0x80, maximo_segundo = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            largo = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            largo = 3;
            if (c == 0xE0) minimo_segundo = 0xA0;  // formas largas
            if (c == 0xED) maximo_segundo = 0x9F;  // sustitutos
        } else if (c >= 0xF0 && c <= 0xF4) {
            largo = 4;
            if (c == 0xF0) minimo_segundo = 0x90;  // formas largas
            if (c == 0xF4) maximo_segundo = 0x8F;  // más allá de U+10FFFF
        } else {
            return false;
        }
        if (n - i < largo) return false;
        if (p[i + 1] < minimo_segundo || p[i + 1] > maximo_segundo) return false;
        for (std::size_t k = 2; k < largo; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += largo;
    }
    return true;
}

}  // namespace glifador
