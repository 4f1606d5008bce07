"""El script `glifador` en las pruebas: el instalado junto al intérprete o, sin instalar, cli() con -c."""

import os
import pty
import select
import signal
import subprocess
import sys
import time
from pathlib import Path

SCRIPT = Path(sys.executable).parent / "glifador"
ORDEN = [str(SCRIPT)] if SCRIPT.exists() else [sys.executable, "-c", "import sys, glifador; sys.exit(glifador.cli())"]
PISTA = "(glifador --help muestra todas las opciones)\n"
CORAZON = Path(__file__).resolve().parent.parent / "ejemplos" / "corazon.png"


def correr(*args, entrada=b"", **kw):
    kw = {"stdout": subprocess.PIPE, "stderr": subprocess.PIPE, **kw}
    return subprocess.run([*ORDEN, *map(str, args)], input=entrada, timeout=60, check=False, **kw)


def error(r):
    """El mensaje de un error de la orden, tras comprobar su formato y el código 2."""
    assert r.returncode == 2 and r.stdout == b"", r.stderr
    texto = r.stderr.decode()
    assert texto.startswith("glifador: ") and texto.endswith("\n" + PISTA)
    return texto[len("glifador: ") : -len(PISTA) - 1]


def salida(r):
    assert r.returncode == 0 and r.stderr == b"", r.stderr
    return r.stdout.decode()


def _trozo(fd):
    """Lo siguiente que escribe la pseudoterminal; b"" al cerrarse o tras 20 s de silencio."""
    if not select.select([fd], [], [], 20)[0]:
        return b""
    try:
        return os.read(fd, 65536)
    except OSError:  # EIO: el hijo cerró la terminal
        return b""


def ctrl_c_en_pty(argv, listo, pausa=0.0):
    """Ejecuta argv con una pseudoterminal como terminal de control, pulsa Ctrl+C cuando lo leído
    cumple `listo` (y pasa `pausa`), y devuelve el código de salida (None si no acabó) y lo leído."""
    pid, maestro = pty.fork()
    if pid == 0:
        try:
            os.execv(argv[0], argv)
        finally:
            os._exit(127)
    visto = b""
    try:
        while not listo(visto):
            trozo = _trozo(maestro)
            assert trozo, visto
            visto += trozo
        time.sleep(pausa)
        os.write(maestro, b"\x03")
        while trozo := _trozo(maestro):
            visto += trozo
    finally:
        for _ in range(100):
            hecho, estado = os.waitpid(pid, os.WNOHANG)
            if hecho:
                break
            time.sleep(0.1)
        else:
            os.kill(pid, signal.SIGKILL)
            os.waitpid(pid, 0)
            estado = None
        os.close(maestro)
    return (None if estado is None else os.waitstatus_to_exitcode(estado)), visto
