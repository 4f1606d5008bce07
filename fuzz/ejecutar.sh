#!/usr/bin/env bash
# Compila los objetivos de fuzz/ con clang y libFuzzer y pasa cada uno, por turnos, SEGUNDOS segundos.
#   fuzz/ejecutar.sh [SEGUNDOS] [OBJETIVO...]      (por defecto 600 s y todos los fuzz_*.cpp)
# Variables: CMAKE y PYTHON (con Pillow y numpy, para las semillas). El corpus que crece queda
# en build/fuzz/corpus/OBJETIVO y cada hallazgo en build/fuzz/hallazgos/.
set -euo pipefail
cd "$(dirname "$0")/.."

SEGUNDOS=${1:-600}
[ $# -gt 0 ] && shift
CMAKE=${CMAKE:-cmake}
PYTHON=${PYTHON:-python3}
DIR=build/fuzz

"$CMAKE" -S . -B "$DIR" -G Ninja -DGLIFADOR_FUZZ=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
"$CMAKE" --build "$DIR"

objetivos=("$@")
if [ ${#objetivos[@]} -eq 0 ]; then
    for f in fuzz/fuzz_*.cpp; do objetivos+=("$(basename "$f" .cpp)"); done
fi

semillas=$(mktemp -d)
trap 'rm -rf "$semillas"' EXIT
"$PYTHON" fuzz/semillas.py "$semillas" ../shared/corpus/pngsuite

# Resumen de -print_coverage=1, por carpeta de src/: aristas alcanzadas dentro de las funciones
# que se ejecutaron, y funciones que no se ejecutaron nunca.
resumen_cobertura() {
    awk 'match($0, /\/src\/[a-z]+\//) {
             d = substr($0, RSTART + 1, RLENGTH - 2)
             if ($1 == "COVERED_FUNC:") { split($5, e, "/"); a[d] += e[1]; t[d] += e[2]; f[d]++ }
             else if ($1 == "UNCOVERED_FUNC:") u[d]++
         }
         END { for (d in f) printf "%s: %d de %d aristas en %d funciones alcanzadas; %d funciones sin alcanzar\n", d, a[d], t[d], f[d], u[d] }' "$1"
}

mkdir -p "$DIR/hallazgos"
estado=0
for o in "${objetivos[@]}"; do
    mkdir -p "$DIR/corpus/$o" "$semillas/$o"
    extra=()
    [ -d "fuzz/semillas/$o" ] && extra=("fuzz/semillas/$o")
    echo "== $o: $SEGUNDOS s" >&2
    # nice: las máquinas de desarrollo se comparten; un objetivo cada vez.
    if nice -n 19 "$DIR/$o" "$DIR/corpus/$o" "$semillas/$o" "${extra[@]}" \
        -max_total_time="$SEGUNDOS" -timeout=25 -rss_limit_mb=3072 -print_final_stats=1 \
        -artifact_prefix="$DIR/hallazgos/$o-" >"$DIR/$o.log" 2>&1; then
        # Una pasada más, sin mutar, sobre el corpus final para medir su cobertura.
        "$DIR/$o" -runs=0 -print_coverage=1 "$DIR/corpus/$o" >"$DIR/$o.cobertura" 2>&1 || true
        grep -E "DONE|^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)" "$DIR/$o.log" >&2 || true
        resumen_cobertura "$DIR/$o.cobertura" >&2
    else
        estado=1
        echo "$o: hallazgo; mira $DIR/$o.log y $DIR/hallazgos/" >&2
        grep -E "ERROR|SUMMARY|comprobación|Test unit written" "$DIR/$o.log" >&2 || true
    fi
done
exit $estado
