// Pruebas del informe de análisis con registros Informe hechos a mano, que Python no puede dar.
#include <cstdio>
#include <string>

#include "lib/informe.h"

using namespace glifador;

namespace {

int fallos = 0;

void contiene(const Informe& inf, const std::string& trozo, bool al_final, int linea) {
    const std::string s = informe_texto(inf);
    const bool ok = al_final ? s.size() >= trozo.size() && s.compare(s.size() - trozo.size(), trozo.size(), trozo) == 0
                             : s.find(trozo) != std::string::npos;
    if (ok) return;
    std::fprintf(stderr, "%s:%d: falta en el informe:\n%s\n--- informe:\n%s\n", __FILE__, linea, trozo.c_str(),
                 s.c_str());
    ++fallos;
}

Informe ejemplo() {
    Informe inf;
    inf.analisis = {10, 3, 15, {3, 5, 7}, 3, 3, 7, "  ###\n #####\n#######"};
    inf.letras_por_ancho = {{30, 9, 135}, {40, 12, 240}};
    inf.texto_letras = 12;
    inf.ancho_recomendado = Resultado<std::uint64_t>(9);
    return inf;
}

const std::string EJEMPLO =
    "\nSilueta a 10 columnas × 3 filas\n"
    "Caben 15 letras (los espacios cuentan) ≈ 2 palabras\n"
    "Tramos: 3 (de 3 a 7 letras); cada hueco entre tramos puede partir una palabra\n"
    "\nPlantilla (letras por fila a la derecha):\n"
    "    ###    │   3\n"
    "   #####   │   5\n"
    "  #######  │   7\n"
    "\nOtros anchos:\n"
    "  ancho  filas  letras  ≈palabras\n"
    "     30      9     135         22\n"
    "     40     12     240         40\n"
    "\nTu texto: 12 letras. Cabe completo desde 9 columnas (-w auto). A 10 columnas sobran 3 letras.";

}  // namespace

int pruebas_informe() {
    Informe inf = ejemplo();
    if (informe_texto(inf) != EJEMPLO) {
        std::fprintf(stderr, "%s: el ejemplo no sale byte a byte:\n%s\n", __FILE__, informe_texto(inf).c_str());
        ++fallos;
    }
    inf.analisis.ancho = 60;
    inf.texto_letras = 15;
    contiene(inf, "A 60 columnas cabe exacto.", true, __LINE__);
    inf.texto_letras = 5000;
    inf.ancho_recomendado = Resultado<std::uint64_t>(no_cabe(5000, 4000));
    contiene(inf, "\nTu texto: 5000 letras. el texto tiene 5000 letras y la silueta admite como mucho 4000 "
                  "(con 1000 columnas). A 60 columnas faltan 4985 letras.", true, __LINE__);

    // Sin texto ni otros anchos: acaba en la cabecera de la tabla, sin salto de línea.
    inf.texto_letras.reset();
    inf.letras_por_ancho.clear();
    inf.analisis.letras = 800;
    contiene(inf, "≈ 133 palabras\n", false, __LINE__);
    contiene(inf, "\n\nOtros anchos:\n  ancho  filas  letras  ≈palabras", true, __LINE__);

    // Cuentas anchas y filas cortas o vacías; la cuenta de más se ignora.
    inf.analisis.plantilla = "#\n\n##";
    inf.analisis.letras_por_fila = {1, 1234, 2, 99};
    contiene(inf, "\n  #   │   1\n      │ 1234\n  ##  │   2\n\nOtros", false, __LINE__);

    // A partir de 65536 caracteres la fila va sin rellenar; las demás se rellenan hasta 65535.
    const std::string larga(70000, '#');
    inf.analisis.plantilla = "###\n" + larga;
    inf.analisis.letras_por_fila = {3, 70000};
    contiene(inf, "  ###" + std::string(65532, ' ') + "  │   3\n  " + larga + "  │ 70000\n", false, __LINE__);
    return fallos;
}
