"""La orden ante archivos y entradas que no se pueden usar: siempre "glifador: …", la pista y el código 2, nunca una traza."""

import os
import subprocess
import sys
from pathlib import Path

import pytest
from linea_de_ordenes import CORAZON, correr, error

F = str(CORAZON)
LINUX = sys.platform.startswith("linux")
ROOT = hasattr(os, "geteuid") and os.geteuid() == 0
MODOS = {"dibujar": [F, "-t", "hola"], "animar": ["animar", F, "-t", "hola", "--fotogramas", "2"]}


@pytest.mark.parametrize("modo", MODOS)
@pytest.mark.parametrize(
    "destino, causa",
    [
        ("{tmp}", "Is a directory (os error 21)"),
        ("{tmp}/", "Is a directory (os error 21)"),
        ("{tmp}/falta/a.svg", "No such file or directory (os error 2)"),
        ("{tmp}/m.txt/a.svg", "Not a directory (os error 20)"),
        ("", "No such file or directory (os error 2)"),
        # Ni root puede crear archivos en /sys; /dev/full falla al escribir, no al abrir.
        pytest.param("/sys/glifador.svg", "Permission denied (os error 13)",
                     marks=pytest.mark.skipif(not Path("/sys/kernel").is_dir(), reason="sin sysfs")),
        pytest.param("/dev/full", "No space left on device (os error 28)",
                     marks=pytest.mark.skipif(not Path("/dev/full").exists(), reason="sin /dev/full")),
    ],
)
def test_svg_que_no_se_puede_escribir(tmp_path, modo, destino, causa):
    (tmp_path / "m.txt").write_text("x")
    destino = destino.format(tmp=tmp_path)
    assert error(correr(*MODOS[modo], "--svg", destino)) == f"{destino}: {causa}"
    assert sorted(p.name for p in tmp_path.iterdir()) == ["m.txt"]


@pytest.mark.parametrize(
    "ruta, causa",
    [
        ("{tmp}/m.txt/", "Not a directory (os error 20)"),
        ("", "No such file or directory (os error 2)"),
        # Se abre bien y falla al leer.
        pytest.param("/proc/self/mem", "Input/output error (os error 5)",
                     marks=pytest.mark.skipif(not LINUX, reason="solo Linux")),
        pytest.param("{tmp}/secreto.txt", "Permission denied (os error 13)",
                     marks=pytest.mark.skipif(ROOT, reason="root lee cualquier archivo")),
    ],
)
def test_archivo_que_no_se_puede_leer(tmp_path, ruta, causa):
    (tmp_path / "m.txt").write_text("hola")
    (tmp_path / "secreto.txt").write_text("hola")
    (tmp_path / "secreto.txt").chmod(0)
    ruta = ruta.format(tmp=tmp_path)
    assert error(correr(F, "-f", ruta)) == f"{ruta}: {causa}"


# La entrada estándar se cambia dentro del proceso: el intérprete no arranca con una carpeta en ella.
CON_ENTRADA = "import os, sys, glifador; os.dup2(os.open(sys.argv.pop(1), {}), 0); sys.exit(glifador.cli())"


@pytest.mark.parametrize(
    "como, causa",
    [
        ("carpeta", "Is a directory (os error 21)"),
        ("solo_escritura", "Bad file descriptor (os error 9)"),
        ("cerrada", "Bad file descriptor (os error 9)"),
    ],
)
def test_entrada_estandar_que_no_se_puede_leer(tmp_path, como, causa):
    if como == "cerrada":
        r = correr(F, entrada=None, stdin=subprocess.DEVNULL, preexec_fn=lambda: os.close(0))
    else:
        ruta, banderas = (tmp_path, "os.O_RDONLY") if como == "carpeta" else (tmp_path / "e.txt", "os.O_WRONLY | os.O_CREAT")
        r = subprocess.run([sys.executable, "-c", CON_ENTRADA.format(banderas), str(ruta), F],
                           capture_output=True, timeout=60, check=False)
    assert error(r) == causa


@pytest.mark.parametrize(
    "datos, vale",
    [
        # Una letra de varios bytes partida entre dos lecturas de 64 KiB sigue siendo válida.
        pytest.param(b"a" * 65535 + "ñ".encode() + b" fin", True, id="ñ-partida"),
        pytest.param(b"a" * 65535 + "🐧".encode(), True, id="pingüino-partido"),
        pytest.param(b"a" * 200000 + b"\xc3", False, id="cortada-al-final"),
        pytest.param(b"a" * 65536 + b"\x80" + b"a" * 10, False, id="continuación-suelta"),
        pytest.param(b"\xef\xbb\xbf" + "día".encode(), True, id="con-bom"),
    ],
)
@pytest.mark.parametrize("origen", ["entrada", "archivo"])
def test_mensajes_largos_y_utf8(tmp_path, datos, vale, origen):
    ruta = tmp_path / "m.txt"
    ruta.write_bytes(datos)
    args = ["-f", ruta] if origen == "archivo" else []
    r = correr(F, "-w", "8", *args, entrada=datos if origen == "entrada" else b"")
    if vale:
        assert r.returncode == 0 and r.stderr == b"" and r.stdout
    else:
        prefijo = f"{ruta}: " if origen == "archivo" else ""
        assert error(r) == prefijo + "stream did not contain valid UTF-8"


# Un manejador que, antes de lanzar, hace llamadas al sistema que cambian errno.
MANEJADOR = """
import os, signal, sys, glifador
def manejador(*_):
    try:
        os.stat("/no/existe")
    except OSError:
        pass
    raise ValueError("desde el manejador")
signal.signal(signal.SIGALRM, manejador)
signal.setitimer(signal.ITIMER_REAL, 0.3)
sys.argv[0] = "glifador"
sys.exit(glifador.cli())
"""


@pytest.mark.skipif(not hasattr(os, "mkfifo"), reason="sin tuberías con nombre")
@pytest.mark.parametrize("donde", ["abrir", "leer"])
def test_excepcion_de_un_manejador_mientras_espera(tmp_path, donde):
    fifo = tmp_path / "fifo"
    os.mkfifo(fifo)
    # Abrir una tubería sin escritor espera; con un escritor que no escribe, espera la lectura.
    escritor = os.open(fifo, os.O_RDWR) if donde == "leer" else None
    try:
        r = subprocess.run([sys.executable, "-c", MANEJADOR, F, "-f", str(fifo)], capture_output=True, timeout=60,
                           check=False)
    finally:
        if escritor is not None:
            os.close(escritor)
    assert r.returncode == 1 and r.stdout == b""
    assert r.stderr.decode().endswith("ValueError: desde el manejador\n"), r.stderr
