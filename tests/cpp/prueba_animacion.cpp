// Pruebas del núcleo de animación y salida que Python no alcanza: degradado, lista de colores,
// colorear, encoger sin píxeles y XML de bytes que no son UTF-8.
#include <cstdio>
#include <string>
#include <vector>

#include "animacion/animacion.h"
#include "animacion/colores_ansi.h"
#include "animacion/svg.h"

using namespace glifador;

namespace {

int fallos = 0;

#define COMPROBAR(cond) \
    ((cond) ? void() : (std::fprintf(stderr, "%s:%d: falla %s\n", __FILE__, __LINE__, #cond), void(++fallos)))

const std::string ROJO = "\x1b[38;2;255;0;0m", FIN = "\x1b[0m";

std::string esc(Rgb c) {
    return "\x1b[38;2;" + std::to_string(c.r) + ";" + std::to_string(c.g) + ";" + std::to_string(c.b) + "m";
}

void colores() {
    COMPROBAR(!leer_lista_colores("#fff,") && !leer_lista_colores(",#fff") && !leer_lista_colores(""));
    auto dos = leer_lista_colores("#fff, #000");
    COMPROBAR(dos && dos->size() == 2 && (*dos)[0] == (Rgb{255, 255, 255}) && (*dos)[1] == (Rgb{}));
    auto mal = leer_lista_colores("#fff,#ggg");
    COMPROBAR(!mal && mensaje(mal.fallo()) == "opción inválida: los colores van en hexadecimal: #rgb o #rrggbb");
    COMPROBAR(leer_colores({}).ok() && leer_colores({})->empty());

    const std::vector<Rgb> dos_c = {{255, 45, 85}, {180, 77, 255}}, tres = {{0, 0, 0}, {100, 100, 100}, {200, 0, 255}};
    COMPROBAR(color_en_degradado(0, 11, dos_c) == dos_c[0] && color_en_degradado(10, 11, dos_c) == dos_c[1]);
    COMPROBAR(color_en_degradado(5, 11, dos_c) == (Rgb{218, 61, 170}));
    COMPROBAR(color_en_degradado(40, 11, dos_c) == dos_c[1]);
    COMPROBAR(color_en_degradado(0, 1, dos_c) == dos_c[0] && color_en_degradado(0, 0, dos_c) == dos_c[0]);
    COMPROBAR(color_en_degradado(1, 3, tres) == tres[1] && color_en_degradado(2, 3, tres) == tres[2]);
    COMPROBAR(color_en_degradado(7, 9, {{9, 8, 7}}) == (Rgb{9, 8, 7}));

    const Rgb c{1, 2, 3};
    COMPROBAR(colorear_fotograma("ab\n\ncd", {c}) == esc(c) + "ab" + FIN + "\n\n" + esc(c) + "cd" + FIN);
    COMPROBAR(colorear_fotograma(ROJO + "a", {}) == ROJO + "a");
    COMPROBAR(colorear_fotograma("a b\t", {c}) == esc(c) + "a b\t" + FIN);
    COMPROBAR(colorear_fotograma("   \n", {c}) == "   \n");
    // Los colores del fotograma se cambian por los de la columna; el espacio no lleva secuencia.
    const std::vector<Rgb> bn = {{0, 0, 0}, {255, 255, 255}};
    COMPROBAR(colorear_fotograma(ROJO + "a b" + FIN + "\nz", bn) ==
              esc(bn[0]) + "a " + esc(bn[1]) + "b" + FIN + "\n" + esc(bn[0]) + "z" + FIN);
    COMPROBAR(colorear_fotograma("x\x1b", {c}) == esc(c) + "x" + FIN);
}

void encogida() {
    Silueta s;
    s.ancho_px = s.alto_px = 4;
    s.aspecto = 1.5f;
    s.mascara.assign(16, 1);
    for (std::uint8_t i = 0; i < 16; ++i) s.colores.insert(s.colores.end(), {i, i, i, 255});
    calcular_sumas(s);
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
    colores();
    encogida();
    xml();
    return fallos;
}
