#!/usr/bin/env bash
# Prepara todo lo necesario en una máquina Debian nueva y hace una tarea:
#   ./hacer.sh ejemplo   instala y dibuja un ejemplo del repositorio
#   ./hacer.sh pruebas   instala y pasa todas las pruebas
#   ./hacer.sh bench     instala y mide el rendimiento
set -euo pipefail
cd "$(dirname "$0")"

# chromium y fonts-dejavu-core: las pruebas miran el SVG tal como lo pinta un navegador.
PAQUETES=(pkg-config g++ libspng-dev libjpeg62-turbo-dev libgif-dev libwebp-dev libstb-dev libutf8proc-dev chromium fonts-dejavu-core)

instalar_paquetes() {
    local faltan=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
    done
    [ ${#faltan[@]} -eq 0 ] && return 0
    echo "hacer.sh: instalando paquetes de Debian: ${faltan[*]}" >&2
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${faltan[@]}" >/dev/null
}

preparar() {
    instalar_paquetes "${PAQUETES[@]}"
    python3 -c 'import ensurepip' 2>/dev/null || instalar_paquetes python3-venv
    [ -x .venv/bin/python ] || python3 -m venv .venv
    .venv/bin/python -m pip install -q --upgrade pip
    .venv/bin/python -m pip install -q ".[test]"
}

# CMake y Ninja del entorno virtual: Debian 12 trae un CMake más viejo que el que pide CMakeLists.txt.
herramientas() {
    [ -x .venv/bin/cmake ] && [ -x .venv/bin/ninja ] || .venv/bin/python -m pip install -q "cmake>=3.26" ninja
    export PATH="$PWD/.venv/bin:$PATH"
}

# Las pruebas del núcleo en C++ (lo que Python no alcanza, como el informe hecho a mano).
pruebas_cpp() {
    herramientas
    cmake -S . -B build/cpp -G Ninja -DGLIFADOR_PRUEBAS_CPP=ON >/dev/null
    cmake --build build/cpp --target pruebas_nucleo >/dev/null
    build/cpp/pruebas_nucleo
}

case "${1:-}" in
    ejemplo)
        preparar
        .venv/bin/python -c 'import glifador; print(glifador.dibujar("ejemplos/gato.png", "El gato duerme al sol de la tarde y sueña con peces de colores", ancho=60))'
        ;;
    pruebas)
        preparar
        pruebas_cpp
        .venv/bin/python -m pytest -q tests
        ;;
    bench)
        preparar
        .venv/bin/python bench/rendimiento.py
        ;;
    *)
        echo "uso: ./hacer.sh ejemplo|pruebas|bench" >&2
        exit 2
        ;;
esac
