// Pruebas del informe de análisis con registros Informe hechos a mano, que Python no puede dar.
#include <cstdio>
#include <string>

#include "lib/informe.h"

using namespace glifador;

namespace {

int fallos = 0;

// modo: '=' el informe entero, '$' su final, '~' cualquier parte.
void comprobar(const Informe& inf, const std::string& trozo, char modo, int linea) {
    const std::string s = informe_texto(inf);
    const auto p = s.rfind(trozo);
    if (p != std::string::npos && (modo == '~' || p + trozo.size() == s.size()) && (modo != '=' || p == 0)) return;
    std::fprintf(stderr, "%s:%d: falta en el informe:\n%s\n--- informe:\n%s\n", __FILE__, linea, trozo.c_str(),
                 s.c_str());
    ++fallos;
}

}  // namespace

int pruebas_informe() {
    Informe inf;
    inf.analisis = {10, 3, 15, {3, 5, 7}, 3, 3, 7, "  ###\n #####\n#######"};
    inf.letras_por_ancho = {{30, 9, 135}, {40, 12, 240}};
    inf.texto_letras = 12;
    inf.ancho_recomendado = Resultado<std::uint64_t>(9);
    const std::string ejemplo =
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
    comprobar(inf, ejemplo, '=', __LINE__);

    inf.analisis.ancho = 60;
    inf.texto_letras = 15;
    comprobar(inf, "A 60 columnas cabe exacto.", '$', __LINE__);
    inf.texto_letras = 5000;
    inf.ancho_recomendado = Resultado<std::uint64_t>(no_cabe(5000, 4000));
    comprobar(inf, "\nTu texto: 5000 letras. el texto tiene 5000 letras y la silueta admite como mucho 4000 "
                   "(con 1000 columnas). A 60 columnas faltan 4985 letras.", '$', __LINE__);

    // Sin texto ni otros anchos: acaba en la cabecera de la tabla, sin salto de línea.
    inf.texto_letras.reset();
    inf.letras_por_ancho.clear();
    inf.analisis.letras = 800;
    comprobar(inf, "≈ 133 palabras\n", '~', __LINE__);
    comprobar(inf, "\n\nOtros anchos:\n  ancho  filas  letras  ≈palabras", '$', __LINE__);

    // Cuentas anchas y filas cortas o vacías; la cuenta de más se ignora.
    inf.analisis.plantilla = "#\n\n##";
    inf.analisis.letras_por_fila = {1, 1234, 2, 99};
    comprobar(inf, "\n  #   │   1\n      │ 1234\n  ##  │   2\n\nOtros", '~', __LINE__);

    // A partir de 65536 caracteres la fila va sin rellenar; las demás se rellenan hasta 65535.
    const std::string larga(70000, '#');
    inf.analisis.plantilla = "###\n" + larga;
    inf.analisis.letras_por_fila = {3, 70000};
    comprobar(inf, "  ###" + std::string(65532, ' ') + "  │   3\n  " + larga + "  │ 70000\n", '~', __LINE__);
    return fallos;
}
