// Redacción del informe de análisis: cifras, plantilla con letras por fila y tabla de anchos.
#include "informe.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "core/texto.h"

namespace glifador {
namespace {

/// Caracteres de un texto UTF-8: los bytes que no son de continuación.
std::size_t caracteres(std::string_view s) {
    return static_cast<std::size_t>(
        std::count_if(s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

/// `n` en decimal, alineado a la derecha en `ancho` caracteres; si no cabe, ocupa lo que necesita.
void numero(std::string& s, std::uint64_t n, std::size_t ancho) {
    const std::string cifras = std::to_string(n);
    if (cifras.size() < ancho) s.append(ancho - cifras.size(), ' ');
    s += cifras;
}

std::vector<std::string_view> lineas(std::string_view plantilla) {
    std::vector<std::string_view> v;
    if (plantilla.empty()) return v;
    std::size_t inicio = 0;
    for (;;) {
        const std::size_t fin = plantilla.find('\n', inicio);
        v.push_back(plantilla.substr(inicio, fin == std::string_view::npos ? std::string_view::npos : fin - inicio));
        if (fin == std::string_view::npos) return v;
        inicio = fin + 1;
    }
}

void plantilla(std::string& s, const Analisis& a) {
    const std::vector<std::string_view> filas = lineas(a.plantilla);
    std::size_t w = 0;
    for (std::string_view f : filas) w = std::max(w, caracteres(f));
    // A 65536 columnas o más el relleno dejaría de caber en su campo: esas filas van sin
    // rellenar y las demás se alinean al tope, así el informe sale igual para cualquier ancho.
    w = std::min(w, RELLENO_MAXIMO_PLANTILLA);
    const std::size_t n = std::min(filas.size(), a.letras_por_fila.size());
    for (std::size_t i = 0; i < n; ++i) {
        s += "  ";
        s += filas[i];
        const std::size_t c = caracteres(filas[i]);
        if (c < w) s.append(w - c, ' ');
        s += "  │ ";
        numero(s, a.letras_por_fila[i], 3);
        s += '\n';
    }
}

void tabla_de_anchos(std::string& s, const std::vector<AnchoLetras>& filas) {
    s += "\nOtros anchos:\n  ancho  filas  letras  ≈palabras\n";
    for (const AnchoLetras& f : filas) {
        s += "  ";
        numero(s, f.ancho, 5);
        s += "  ";
        numero(s, f.filas, 5);
        s += "  ";
        numero(s, f.letras, 6);
        s += "  ";
        numero(s, f.letras / 6, 9);
        s += '\n';
    }
}

void tu_texto(std::string& s, const Informe& inf) {
    const Analisis& a = inf.analisis;
    const std::uint64_t tl = *inf.texto_letras;
    s += "\nTu texto: " + std::to_string(tl) + " letras. ";
    if (inf.ancho_recomendado) {
        const Resultado<std::uint64_t>& rec = *inf.ancho_recomendado;
        if (rec)
            s += "Cabe completo desde " + std::to_string(rec.valor()) + " columnas (-w auto). ";
        else
            s += mensaje(rec.fallo()) + ". ";
    }
    const std::string columnas = "A " + std::to_string(a.ancho) + " columnas ";
    // La diferencia se toma sin signo en el sentido que no desborda.
    if (a.letras == tl)
        s += columnas + "cabe exacto.\n";
    else if (a.letras > tl)
        s += columnas + "sobran " + std::to_string(a.letras - tl) + " letras.\n";
    else
        s += columnas + "faltan " + std::to_string(tl - a.letras) + " letras.\n";
}

void quitar_espacio_final(std::string& s) {
    while (!s.empty()) {
        std::size_t i = s.size() - 1;
        while (i > 0 && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) --i;
        std::uint32_t cp;
        leer_punto(s, i, &cp);
        if (!es_espacio(cp)) return;
        s.resize(i);
    }
}

}  // namespace

std::string informe_texto(const Informe& inf) {
    const Analisis& a = inf.analisis;
    std::string s;
    s += "\nSilueta a " + std::to_string(a.ancho) + " columnas × " + std::to_string(a.filas) + " filas\n";
    s += "Caben " + std::to_string(a.letras) + " letras (los espacios cuentan) ≈ " + std::to_string(a.letras / 6) +
         " palabras\n";
    s += "Tramos: " + std::to_string(a.tramos) + " (de " + std::to_string(a.tramo_min) + " a " +
         std::to_string(a.tramo_max) + " letras); cada hueco entre tramos puede partir una palabra\n";
    s += "\nPlantilla (letras por fila a la derecha):\n";
    plantilla(s, a);
    tabla_de_anchos(s, inf.letras_por_ancho);
    if (inf.texto_letras) tu_texto(s, inf);
    quitar_espacio_final(s);
    return s;
}

}  // namespace glifador
