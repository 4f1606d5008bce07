// Pruebas del núcleo de animación y salida que Python no alcanza: degradado, lectores y encoger.
#include <cstdio>
#include <string>
#include <vector>

#include "animacion/animacion.h"
#include "animacion/colores_ansi.h"
#include "animacion/svg.h"

using namespace glifador;

namespace {

int fallos = 0;

#define COMPROBAR(cond)                                                      \
    do {                                                                     \
        if (!(cond)) {                                                       \
            std::fprintf(stderr, "%s:%d: falla %s\n", __FILE__, __LINE__, #cond); \
            ++fallos;                                                        \
        }                                                                    \
    } while (0)

const std::string ROJO = "\x1b[38;2;255;0;0m";
const std::string FIN = "\x1b[0m";

std::string esc(Rgb c) {
    return "\x1b[38;2;" + std::to_string(c.r) + ";" + std::to_string(c.g) + ";" + std::to_string(c.b) + "m";
}

void lista_de_colores() {
    COMPROBAR(!leer_lista_colores("#fff,"));
    COMPROBAR(!leer_lista_colores(",#fff"));
    COMPROBAR(!leer_lista_colores(""));
    auto dos = leer_lista_colores("#fff, #000");
    COMPROBAR(dos && dos->size() == 2 && (*dos)[0] == (Rgb{255, 255, 255}) && (*dos)[1] == (Rgb{}));
    auto mal = leer_lista_colores("#fff,#ggg");
    COMPROBAR(!mal && mensaje(mal.fallo()) == "opción inválida: los colores van en hexadecimal: #rgb o #rrggbb");
    COMPROBAR(leer_colores({}).ok() && leer_colores({})->empty());
}

void linea_ansi() {
    auto l = leer_linea_ansi(ROJO + "ab " + FIN + "c");
    COMPROBAR(l.size() == 4);
    if (l.size() == 4) {
        const Rgb rojo{255, 0, 0};
        COMPROBAR(l[0].texto == "a" && l[0].color == rojo);
        COMPROBAR(l[2].texto == " " && l[2].color == rojo);  // el espacio lleva el color actual
        COMPROBAR(l[3].texto == "c" && !l[3].color);
    }
    auto g = leer_linea_ansi("e\xCC\x81\x1b" "x\x1b");
    COMPROBAR(g.size() == 2 && g[0].texto == "e\xCC\x81" && g[1].texto == "x");
    COMPROBAR(leer_linea_ansi("\x1b[").empty());
}

void degradado() {
    const std::vector<Rgb> dos = {{255, 45, 85}, {180, 77, 255}};
    COMPROBAR(color_en_degradado(0, 11, dos) == dos[0]);
    COMPROBAR(color_en_degradado(10, 11, dos) == dos[1]);
    COMPROBAR(color_en_degradado(5, 11, dos) == (Rgb{218, 61, 170}));
    COMPROBAR(color_en_degradado(40, 11, dos) == dos[1]);
    COMPROBAR(color_en_degradado(0, 1, dos) == dos[0]);
    COMPROBAR(color_en_degradado(0, 0, dos) == dos[0]);
    const std::vector<Rgb> tres = {{0, 0, 0}, {100, 100, 100}, {200, 0, 255}};
    COMPROBAR(color_en_degradado(1, 3, tres) == tres[1]);
    COMPROBAR(color_en_degradado(2, 3, tres) == tres[2]);
    COMPROBAR(color_en_degradado(7, 9, {{9, 8, 7}}) == (Rgb{9, 8, 7}));
}

void colorear() {
    const Rgb c{1, 2, 3};
    COMPROBAR(colorear_fotograma("ab\n\ncd", {c}) == esc(c) + "ab" + FIN + "\n\n" + esc(c) + "cd" + FIN);
    COMPROBAR(colorear_fotograma(ROJO + "a", {}) == ROJO + "a");
    COMPROBAR(colorear_fotograma("a b\t", {c}) == esc(c) + "a b\t" + FIN);
    COMPROBAR(colorear_fotograma("   \n", {c}) == "   \n");
    // Los colores del fotograma se cambian por los de la columna; el espacio no lleva secuencia.
    const std::vector<Rgb> dos = {{0, 0, 0}, {255, 255, 255}};
    COMPROBAR(colorear_fotograma(ROJO + "a b" + FIN + "\nz", dos) ==
              esc(dos[0]) + "a " + esc(dos[1]) + "b" + FIN + "\n" + esc(dos[0]) + "z" + FIN);
    COMPROBAR(colorear_fotograma("x\x1b", {c}) == esc(c) + "x" + FIN);
}

void encogida() {
    Silueta s;
    s.ancho_px = 4;
    s.alto_px = 4;
    s.aspecto = 1.5f;
    s.mascara.assign(16, 1);
    for (std::uint8_t i = 0; i < 16; ++i) s.colores.insert(s.colores.end(), {i, i, i, 255});
    calcular_sumas(s);

    const Silueta igual = encoger(s, 1.0f);
    COMPROBAR(igual.mascara == s.mascara && igual.colores == s.colores && igual.suma == s.suma);

    const Silueta e = encoger(s, 0.5f);
    COMPROBAR(e.ancho_px == 4 && e.alto_px == 4 && e.aspecto == 1.5f);
    COMPROBAR(e.figura(0, 4, 0, 4) == 4 && e.figura(1, 3, 1, 3) == 4);  // las sumas son las de la copia
    // Con centro 2 y factor 0.5, la columna 1 toma la 1, la 2 toma la 3, y la 0 y la 3 caen fuera.
    COMPROBAR(e.colores[(1 * 4 + 1) * 4] == 5 && e.colores[(2 * 4 + 2) * 4] == 15);
    COMPROBAR(e.colores[0] == 0 && e.mascara[0] == 0 && e.mascara[3 * 4 + 3] == 0);
    COMPROBAR(encoger(s, 0.5f, false).colores.empty());

    Silueta vacia;
    vacia.ancho_px = 0;
    vacia.alto_px = 5;
    const Silueta v = encoger(vacia, 0.5f);
    COMPROBAR(v.mascara.empty() && v.alto_px == 5 && v.suma.size() == 1);  // sin píxeles, un solo cero
}

void xml() {
    COMPROBAR(escapar_xml(std::string("a\0b", 3)) == "a\xEF\xBF\xBD" "b");
    COMPROBAR(escapar_xml("\xFF" "x\xEF\xBF\xBE") == "\xEF\xBF\xBD" "x\xEF\xBF\xBD");
    COMPROBAR(escapar_xml("\t\n\r\xC2\x80") == "\t\n\r\xC2\x80");
    OpcionesSvg op;
    op.colores = COLORES_POR_DEFECTO;
    auto doc = a_svg({"a\xFF" "b"}, op);
    COMPROBAR(doc && doc->find("a\xEF\xBF\xBD" "b</tspan>") != std::string::npos);
}

}  // namespace

int pruebas_animacion() {
    lista_de_colores();
    linea_ansi();
    degradado();
    colorear();
    encogida();
    xml();
    return fallos;
}
