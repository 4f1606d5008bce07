// Dibujo, ancho automático y compositor de fotogramas.
#include "dibujo.h"

#include <algorithm>
#include <cstring>

#include "colores.h"

namespace glifador {

void escribir_color(std::string& salida, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    char buf[24];
    char* p = buf;
    auto numero = [&](unsigned v) {
        if (v >= 100) *p++ = static_cast<char>('0' + v / 100);
        if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
        *p++ = static_cast<char>('0' + v % 10);
    };
    std::memcpy(p, "\x1b[38;2;", 7);
    p += 7;
    numero(r);
    *p++ = ';';
    numero(g);
    *p++ = ';';
    numero(b);
    *p++ = 'm';
    salida.append(buf, static_cast<std::size_t>(p - buf));
}

Resultado<std::uint64_t> ancho_minimo(const Silueta& s, std::uint64_t cuenta) {
    if (cuenta == 0) return texto_vacio();
    const std::uint64_t cap = capacidad(s, ANCHO_MAXIMO_AUTO);
    if (cap == 0) return sin_silueta();
    if (cuenta > cap) return no_cabe(cuenta, cap);
    std::uint64_t lo = 1, hi = ANCHO_MAXIMO_AUTO;
    while (lo < hi) {
        const std::uint64_t mid = (lo + hi) / 2;
        if (capacidad(s, mid) < cuenta)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

namespace {

/// Caja común a todos los fotogramas: filas de la primera a la última con figura,
/// y la columna de la celda de figura más a la izquierda.
struct Caja {
    std::uint64_t fila_superior = UINT64_MAX;
    std::uint64_t fila_inferior = 0;
    std::uint64_t columna_izquierda = UINT64_MAX;
};

bool calcular_caja(const std::vector<Rejilla>& rejillas, Caja& caja) {
    bool alguna = false;
    for (const Rejilla& rj : rejillas) {
        for (std::uint64_t f = 0; f < rj.filas; ++f) {
            const std::uint8_t* fila = rj.fila(f);
            const std::uint8_t* primera = std::find(fila, fila + rj.columnas, std::uint8_t{1});
            if (primera == fila + rj.columnas) continue;
            alguna = true;
            caja.fila_superior = std::min(caja.fila_superior, f);
            caja.fila_inferior = std::max(caja.fila_inferior, f);
            caja.columna_izquierda = std::min(caja.columna_izquierda, static_cast<std::uint64_t>(primera - fila));
        }
    }
    return alguna;
}

struct Celda {
    std::string_view letra;
    bool con_color = false;
    const std::uint8_t* rgb = nullptr;
};

/// Escribe las celdas ya recortadas, con un color solo al empezar cada racha de color.
void escribir_linea(const std::vector<Celda>& celdas, std::size_t n, std::string& salida) {
    bool activa = false;
    const std::uint8_t* ultimo = nullptr;
    for (std::size_t i = 0; i < n; ++i) {
        const Celda& c = celdas[i];
        if (c.con_color && !solo_espacio(c.letra)) {
            if (!activa || std::memcmp(ultimo, c.rgb, 3) != 0) escribir_color(salida, c.rgb[0], c.rgb[1], c.rgb[2]);
            ultimo = c.rgb;
            activa = true;
        }
        salida.append(c.letra);
    }
    if (activa) salida.append(REINICIO);
}

struct Compositor {
    const std::vector<Rejilla>& rejillas;
    const std::vector<RejillaColor>& colores;
    const TextoPreparado& texto;
    Caja caja;
    std::vector<Celda> celdas;

    std::string_view letra(std::uint64_t k) const {
        if (texto.repetir) return texto.letra(k % texto.len());
        return k < texto.len() ? texto.letra(k) : std::string_view(" ");
    }

    void componer_linea(std::size_t i, std::uint64_t f, std::uint64_t& contador, std::string& salida) {
        const Rejilla& rj = rejillas[i];
        celdas.clear();
        if (f < rj.filas && caja.columna_izquierda < rj.columnas) {
            const std::uint8_t* fila = rj.fila(f);
            const std::uint8_t* rgb = nullptr;
            if (i < colores.size() && f < colores[i].filas) rgb = colores[i].fila(f);
            for (std::uint64_t c = caja.columna_izquierda; c < rj.columnas; ++c) {
                if (fila[c])
                    celdas.push_back({letra(contador++), rgb != nullptr, rgb ? rgb + c * 3 : nullptr});
                else
                    celdas.push_back({" ", false, nullptr});
            }
        }
        std::size_t n = celdas.size();
        while (n > 0 && solo_espacio(celdas[n - 1].letra)) --n;
        escribir_linea(celdas, n, salida);
    }

    std::string componer(std::size_t i, std::uint64_t inicio) {
        std::string salida;
        std::uint64_t contador = inicio;
        for (std::uint64_t f = caja.fila_superior; f <= caja.fila_inferior; ++f) {
            if (f > caja.fila_superior) salida.push_back('\n');
            componer_linea(i, f, contador, salida);
        }
        return salida;
    }
};

}  // namespace

Resultado<std::vector<std::string>> componer_fotogramas(const std::vector<Rejilla>& rejillas,
                                                        const std::vector<RejillaColor>& colores,
                                                        const TextoPreparado& texto,
                                                        const std::vector<std::uint64_t>& inicios,
                                                        std::uint64_t n) {
    Compositor comp{rejillas, colores, texto, {}, {}};
    if (!calcular_caja(rejillas, comp.caja)) return sin_silueta();
    const std::size_t total = static_cast<std::size_t>(std::min<std::uint64_t>(n, rejillas.size()));
    std::vector<std::string> fotogramas;
    fotogramas.reserve(total);
    for (std::size_t i = 0; i < total; ++i) fotogramas.push_back(comp.componer(i, inicios[i]));
    return fotogramas;
}

Resultado<Preparado> preparar_dibujo(ImagenRgba imagen, std::string_view mensaje, const Opciones& op) {
    auto silueta = extraer_silueta(std::move(imagen), op);
    if (!silueta) return silueta.fallo();
    auto texto = preparar_texto(mensaje, op.espacios, op.repetir);
    if (!texto) return texto.fallo();
    std::uint64_t ancho = op.ancho.columnas;
    if (op.ancho.automatico) {
        auto a = ancho_minimo(*silueta, texto->cuenta);
        if (!a) return a.fallo();
        ancho = *a;
    }
    return Preparado{std::move(*silueta), std::move(*texto), ancho};
}

Resultado<std::string> dibujar(ImagenRgba imagen, std::string_view mensaje_usuario, const Opciones& op) {
    auto p = preparar_dibujo(std::move(imagen), mensaje_usuario, op);
    if (!p) return p.fallo();
    std::vector<RejillaColor> colores;
    if (op.color) colores.push_back(colores_por_celda(p->silueta, p->ancho));
    std::vector<Rejilla> rejillas;
    rejillas.push_back(construir_rejilla(p->silueta, p->ancho));
    auto fotogramas = componer_fotogramas(rejillas, colores, p->texto, {op.desfase}, 1);
    if (!fotogramas) return fotogramas.fallo();
    return std::move(fotogramas->front());
}

}  // namespace glifador
