#!/usr/bin/env bash
# Prepara todo lo necesario en una máquina Debian nueva y hace una tarea:
#   ./hacer.sh ejemplo   instala y dibuja un ejemplo del repositorio
#   ./hacer.sh pruebas   instala y pasa todas las pruebas
#   ./hacer.sh bench     instala y mide el rendimiento
#   ./hacer.sh sanitizado   pasa todas las pruebas con el módulo compilado con ASan y UBSan
#   ./hacer.sh fuzz [s]     compila los objetivos de fuzz/ con clang y pasa cada uno s segundos (600)
#   ./hacer.sh fugas        busca con LeakSanitizer memoria del módulo que nunca se libera
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

# El módulo con AddressSanitizer y UndefinedBehaviorSanitizer, aparte del instalado.
compilar_sanitizado() {
    herramientas
    cmake -S . -B build/asan -G Ninja -DGLIFADOR_MODULO=ON -DGLIFADOR_SANITIZE=ON -DGLIFADOR_PRUEBAS_CPP=ON \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPython_EXECUTABLE="$PWD/.venv/bin/python" >/dev/null
    cmake --build build/asan >/dev/null
}

# Ejecuta una orden de Python con el módulo sanitizado. El intérprete no lleva ASan, así que
# la biblioteca se precarga; PYTHONMALLOC=malloc deja que ASan vea cada reserva de Python.
con_asan() {
    env LD_PRELOAD="$(gcc -print-file-name=libasan.so) $(gcc -print-file-name=libubsan.so)" \
        PYTHONMALLOC=malloc PYTHONPATH="$PWD/build/asan" \
        ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:allocator_may_return_null=1:abort_on_error=1:detect_stack_use_after_return=1}" \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "$@"
}

sanitizado() {
    compilar_sanitizado
    # Que el módulo importado sea el sanitizado y no el instalado en el entorno.
    con_asan .venv/bin/python -c 'import glifador, os, sys
esperado = os.path.realpath(os.path.join(os.environ["PYTHONPATH"], os.path.basename(glifador.__file__)))
sys.exit(0 if os.path.realpath(glifador.__file__) == esperado else "se importó " + glifador.__file__)'
    # Las fugas del propio intérprete al salir no son nuestras: `./hacer.sh fugas` mira las del
    # módulo. Las pruebas en C++ quedan junto al módulo, donde test_informe.py las busca.
    con_asan .venv/bin/python -m pytest -q -p no:cacheprovider tests
}

case "${1:-}" in
    ejemplo)
        preparar
        .venv/bin/glifador ejemplos/gato.png -t "El gato duerme al sol de la tarde y sueña con peces de colores"
        ;;
    pruebas)
        preparar
        pruebas_cpp
        .venv/bin/python -m pytest -q tests
        sanitizado
        ;;
    sanitizado)
        preparar
        sanitizado
        ;;
    fuzz)
        instalar_paquetes clang-14 libclang-rt-14-dev
        preparar
        herramientas
        PYTHON=.venv/bin/python fuzz/ejecutar.sh "${2:-600}"
        ;;
    fugas)
        preparar
        compilar_sanitizado
        rm -f build/asan/lsan.*
        # LeakSanitizer escribe su informe al salir (exitcode=0: las fugas no son un fallo del
        # guion); la revisión separa lo que reservó el módulo de lo que el intérprete no libera.
        # Con el desenrollado lento las pilas cruzan el intérprete y llegan hasta el módulo.
        ASAN_OPTIONS=detect_leaks=1:exitcode=0:allocator_may_return_null=1:fast_unwind_on_malloc=0:malloc_context_size=40:log_path=build/asan/lsan \
            con_asan .venv/bin/python tests/fugas_lsan.py
        .venv/bin/python tests/fugas_lsan.py --revisar 'build/asan/lsan.*'
        ;;
    bench)
        preparar
        .venv/bin/python bench/rendimiento.py
        ;;
    *)
        echo "uso: ./hacer.sh ejemplo|pruebas|bench|sanitizado|fuzz [segundos]|fugas" >&2
        exit 2
        ;;
esac
