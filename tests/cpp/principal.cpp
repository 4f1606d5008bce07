// Punto de entrada de pruebas_nucleo: cada archivo de pruebas aporta una función que cuenta sus fallos.
#include <cstdio>

int pruebas_informe();
int pruebas_animacion();

int main() {
    const int fallos = pruebas_informe() + pruebas_animacion();
    if (fallos) std::fprintf(stderr, "%d comprobaciones fallidas\n", fallos);
    return fallos ? 1 : 0;
}
