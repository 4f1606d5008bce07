"""Para LeakSanitizer (./hacer.sh fugas): sin argumentos, con el módulo sanitizado y LSan precargado,
llama a cada función con los CASOS de test_fugas.py; con --revisar PATRÓN (los log_path de LSan), separa
las fugas del módulo de las del intérprete, que al salir deja sin liberar lo suyo."""

import glob
import re
import sys
from pathlib import Path

# Un marco de la pila en el módulo o en sus fuentes.
NUESTRO = re.compile(r"glifador[^/\s]*\.so|/src/(core|lib|animacion)/")


def ejercitar():
    sys.path.insert(0, str(Path(__file__).resolve().parent))
    with open("/proc/self/maps") as f:
        if "libasan" not in f.read():
            sys.exit("fugas_lsan.py: falta LeakSanitizer (LD_PRELOAD con libasan)")
    import glifador
    from test_fugas import CASOS

    for funcion, args, kwargs, _ in CASOS * 3:
        try:
            getattr(glifador, funcion)(*args, **kwargs)
        except (ValueError, OSError, TypeError, OverflowError, MemoryError):
            pass


def bloques(texto):
    """Cada fuga del informe: su primera línea y los marcos de su pila."""
    actual = []
    for linea in texto.splitlines() + [""]:
        if actual and linea.strip().startswith("#"):
            actual.append(linea)
            continue
        if actual:
            yield actual
        actual = [linea] if re.match(r"(Direct|Indirect) leak of", linea) else []


def revisar(patron):
    rutas = sorted(glob.glob(patron))
    todas, nuestras = 0, []
    for ruta in rutas:
        for b in bloques(Path(ruta).read_text(errors="replace")):
            todas += 1
            if any(NUESTRO.search(marco) for marco in b[1:]):
                nuestras.append(b)
    for b in nuestras:
        print("\n".join(b) + "\n")
    print(
        f"fugas del módulo: {len(nuestras)} (de {todas} que informa LeakSanitizer en {len(rutas)} informes; "
        "el resto son del intérprete)"
    )
    return 1 if nuestras else 0


if __name__ == "__main__":
    if sys.argv[1:2] == ["--revisar"]:
        sys.exit(revisar(sys.argv[2]))
    ejercitar()
