// El bucle de reproducción: escrituras directas al descriptor 1, pausas que se reanudan y restauración.
#include "reproduccion.h"

#include <cerrno>
#include <cmath>
#include <ctime>
#include <limits>
#include <string_view>

#include "sistema.h"

namespace glifador {
namespace {

constexpr std::string_view OCULTAR_CURSOR = "\x1b[?25l";
constexpr std::string_view RESTAURAR = "\x1b[0m\x1b[?25h\n";
constexpr std::string_view BORRAR_RESTO = "\x1b[K";

std::uint64_t contar_lineas(std::string_view f) {
    std::uint64_t n = 1;
    for (char c : f) n += c == '\n';
    return n;
}

/// Cada "\n" pasa a ser "\x1b[K\n" y se añade un "\x1b[K" final: así se borra lo que una
/// línea más larga del fotograma anterior dejó en pantalla.
std::string con_borrados(std::string_view f) {
    std::string s;
    s.reserve(f.size() + (contar_lineas(f)) * BORRAR_RESTO.size());
    for (char c : f) {
        if (c == '\n') s += BORRAR_RESTO;
        s += c;
    }
    s += BORRAR_RESTO;
    return s;
}

/// Segundos y nanosegundos, redondeando al nanosegundo más cercano con empates al par.
/// Se hace con enteros porque multiplicar en double ya redondea una vez.
timespec a_pausa(double intervalo) {
    using Segundos = decltype(timespec{}.tv_sec);
    constexpr double tope = static_cast<double>(std::numeric_limits<Segundos>::max());
    if (intervalo >= tope) return {std::numeric_limits<Segundos>::max(), 0};  // no hay pausa mayor
    double entera;
    const double fraccion = std::modf(intervalo, &entera);  // exacta
    auto segundos = static_cast<Segundos>(entera);
    long nanos = 0;
    if (fraccion > 0) {
        int exponente;
        const double mantisa = std::frexp(fraccion, &exponente);  // fraccion = mantisa · 2^exponente
        const auto m = static_cast<std::uint64_t>(std::ldexp(mantisa, 53));
        const int desplazamiento = 53 - exponente;  // fraccion = m / 2^desplazamiento
        // Por debajo de 2^-32 s el resultado es 0 ns; por encima, m·10^9 cabe en 128 bits.
        if (desplazamiento <= 84) {
            const unsigned __int128 p = static_cast<unsigned __int128>(m) * 1000000000u;
            unsigned __int128 q = p >> desplazamiento;
            const unsigned __int128 resto = p - (q << desplazamiento);
            const unsigned __int128 mitad = static_cast<unsigned __int128>(1) << (desplazamiento - 1);
            if (resto > mitad || (resto == mitad && (q & 1))) ++q;
            nanos = static_cast<long>(q);
        }
    }
    if (nanos == 1000000000) {
        nanos = 0;
        ++segundos;
    }
    return {segundos, nanos};
}

/// La pausa entera: si una señal la corta, se sigue esperando lo que falta.
void pausar(timespec t) {
    while (t.tv_sec > 0 || t.tv_nsec > 0) {
        timespec resto{};
        if (::nanosleep(&t, &resto) == 0 || errno != EINTR) return;
        t = resto;
    }
}

/// Las vueltas; 0 si acaban bien, un errno si falla una escritura, -1 con una excepción de Python.
int dibujar_vueltas(const FotogramasPreparados& p, timespec pausa, std::optional<std::uint64_t> veces) {
    // Sin fotogramas una reproducción sin fin no acabaría nunca ni miraría las señales.
    if (p.fotogramas.empty()) return 0;
    bool primero = true;
    // Sin `veces` la cuenta no avanza: la reproducción sigue hasta Ctrl+C.
    for (std::uint64_t vuelta = 0; !veces || vuelta < *veces; vuelta += veces ? 1u : 0u) {
        for (const std::string& f : p.fotogramas) {
            if (!primero)
                if (const int e = escribir_todo(1, p.retorno)) return e;
            primero = false;
            // Sin búfer propio: lo escrito ya está en la terminal, no hay nada que vaciar.
            if (const int e = escribir_todo(1, f)) return e;
            pausar(pausa);
            if (PyErr_CheckSignals() < 0) return -1;
        }
    }
    return 0;
}

}  // namespace

FotogramasPreparados preparar_fotogramas(const std::vector<std::string>& fotogramas, const std::vector<Rgb>& colores) {
    std::uint64_t alto = 1;
    for (const std::string& f : fotogramas) alto = std::max(alto, contar_lineas(f));
    FotogramasPreparados p;
    p.fotogramas.reserve(fotogramas.size());
    for (const std::string& f : fotogramas) {
        std::string rellenado = f;
        rellenado.append(static_cast<std::size_t>(alto - contar_lineas(f)), '\n');
        p.fotogramas.push_back(con_borrados(colorear_fotograma(rellenado, colores)));
    }
    p.retorno = alto < 2 ? "\r" : "\r\x1b[" + std::to_string(alto - 1) + "A";
    return p;
}

bool intervalo_valido(double intervalo) { return std::isfinite(intervalo) && intervalo >= 0; }

bool reproducir_fotogramas(const FotogramasPreparados& p, double intervalo, std::optional<std::uint64_t> veces) {
    if (const int e = escribir_todo(1, OCULTAR_CURSOR)) {
        PyErr_SetString(PyExc_OSError, texto_error_sistema(e).c_str());
        return false;
    }
    const int fin = dibujar_vueltas(p, a_pausa(intervalo), veces);
    // La terminal se restaura pase lo que pase; si esto también falla, ya no hay a quién decírselo.
    (void)escribir_todo(1, RESTAURAR);
    if (fin > 0) PyErr_SetString(PyExc_OSError, texto_error_sistema(fin).c_str());
    return fin == 0;
}

}  // namespace glifador
