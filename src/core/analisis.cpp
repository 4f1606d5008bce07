// Medidas de la silueta a uno o varios anchos, y su relación con un texto.
#include "analisis.h"

#include <algorithm>

#include "dibujo.h"
#include "rejilla.h"
#include "texto.h"

namespace glifador {

namespace {

/// Añade a la plantilla la fila desde la columna `izquierda`, sin los espacios finales.
void anadir_linea(const std::uint8_t* fila, std::uint64_t izquierda, std::uint64_t columnas, std::string& plantilla) {
    std::uint64_t fin = columnas;
    while (fin > izquierda && !fila[fin - 1]) --fin;
    for (std::uint64_t c = izquierda; c < fin; ++c) plantilla.push_back(fila[c] ? '#' : ' ');
}

/// Cuenta las celdas y los tramos de una fila.
void medir_fila(const std::uint8_t* fila, std::uint64_t columnas, Analisis& a) {
    std::uint64_t letras = 0, tramo = 0;
    auto cerrar = [&] {
        if (tramo == 0) return;
        a.tramo_min = a.tramos == 0 ? tramo : std::min(a.tramo_min, tramo);
        a.tramo_max = std::max(a.tramo_max, tramo);
        ++a.tramos;
        tramo = 0;
    };
    for (std::uint64_t c = 0; c < columnas; ++c) {
        if (fila[c]) {
            ++letras;
            ++tramo;
        } else {
            cerrar();
        }
    }
    cerrar();
    a.letras_por_fila.push_back(letras);
    a.letras += letras;
}

}  // namespace

Resultado<Analisis> analizar_ancho(const Silueta& s, std::uint64_t columnas) {
    const Rejilla rj = construir_rejilla(s, columnas);
    auto tiene_figura = [&](std::uint64_t f) {
        const std::uint8_t* fila = rj.fila(f);
        return std::find(fila, fila + columnas, std::uint8_t{1}) != fila + columnas;
    };
    std::uint64_t primera = 0;
    while (primera < rj.filas && !tiene_figura(primera)) ++primera;
    if (primera == rj.filas) return sin_silueta();
    std::uint64_t ultima = rj.filas - 1;
    while (!tiene_figura(ultima)) --ultima;

    std::uint64_t izquierda = columnas;
    for (std::uint64_t f = primera; f <= ultima; ++f) {
        const std::uint8_t* fila = rj.fila(f);
        const auto primera_figura = std::find(fila, fila + columnas, std::uint8_t{1}) - fila;
        izquierda = std::min(izquierda, static_cast<std::uint64_t>(primera_figura));
    }

    Analisis a;
    a.ancho = columnas;
    a.filas = ultima - primera + 1;
    a.letras_por_fila.reserve(a.filas);
    for (std::uint64_t f = primera; f <= ultima; ++f) {
        medir_fila(rj.fila(f), columnas, a);
        if (f > primera) a.plantilla.push_back('\n');
        anadir_linea(rj.fila(f), izquierda, columnas, a.plantilla);
    }
    return a;
}

namespace {

/// Elige el ancho y, con texto, rellena sus cifras. Devuelve el ancho o el fallo que acaba el análisis.
Resultado<std::uint64_t> elegir_ancho(const Silueta& s, std::optional<std::string_view> texto, const Opciones& op,
                                      Informe& inf) {
    if (!texto) {
        if (op.ancho.automatico) return opcion_invalida("ancho=\"auto\" necesita un texto");
        return op.ancho.columnas;
    }
    // Solo el tratamiento de espacios: un texto que se queda sin letras no es un error aquí,
    // y sin separador, porque se cuentan las letras del mensaje y no las de su repetición.
    const std::uint64_t letras = contar_grafemas(normalizar_espacios(*texto, op.espacios));
    inf.texto_letras = letras;
    auto busqueda = ancho_minimo(s, letras);
    if (op.ancho.automatico && !busqueda) return busqueda.fallo();
    inf.ancho_recomendado = busqueda;
    return op.ancho.automatico ? *busqueda : op.ancho.columnas;
}

}  // namespace

Resultado<Informe> analizar_silueta(ImagenRgba imagen, std::optional<std::string_view> texto, const Opciones& op) {
    auto silueta = extraer_silueta(std::move(imagen), op);
    if (!silueta) return silueta.fallo();
    Informe inf;
    auto ancho = elegir_ancho(*silueta, texto, op, inf);
    if (!ancho) return ancho.fallo();
    for (std::uint64_t c : ANCHOS_ALTERNATIVOS) {
        auto a = analizar_ancho(*silueta, c);
        if (a) inf.letras_por_ancho.push_back({c, a->filas, a->letras});
    }
    auto principal = analizar_ancho(*silueta, *ancho);
    if (!principal) return principal.fallo();
    inf.analisis = std::move(*principal);
    return inf;
}

}  // namespace glifador
