"""La reproducción en la terminal: los bytes exactos, las pausas, Ctrl+C y una salida que se cierra."""

import math
import signal
import subprocess
import sys
import textwrap

import glifador
import pytest
from linea_de_ordenes import CORAZON, ORDEN, ctrl_c_en_pty
from pinturas import fallo

OCULTAR = b"\x1b[?25l"
RESTAURAR = b"\x1b[0m\x1b[?25h\n"


def bytes_de(codigo):
    r = subprocess.run([sys.executable, "-c", textwrap.dedent(codigo)], capture_output=True, timeout=60, check=False)
    assert r.returncode == 0, r.stderr
    return r.stdout


def color(*rgb):
    return "\x1b[38;2;{};{};{}m".format(*rgb).encode()


@pytest.mark.parametrize("fotogramas, veces, colores, esperado", [
    ("hola", 1, None, [OCULTAR, b"hola\x1b[K", RESTAURAR]),
    ("hola", 2, None, [OCULTAR, b"hola\x1b[K", b"\r", b"hola\x1b[K", RESTAURAR]),
    ("hola", 0, None, [OCULTAR, RESTAURAR]),
    (["a\nb", "c\nd"], 2, None, [OCULTAR, b"a\x1b[K\nb\x1b[K", b"\r\x1b[1A", b"c\x1b[K\nd\x1b[K", b"\r\x1b[1A",
                                 b"a\x1b[K\nb\x1b[K", b"\r\x1b[1A", b"c\x1b[K\nd\x1b[K", RESTAURAR]),
    # Alturas distintas: el corto se rellena y el retorno sube por el más alto.
    (["a", "b\nc\nd"], 1, None,
     [OCULTAR, b"a\x1b[K\n\x1b[K\n\x1b[K", b"\r\x1b[2A", b"b\x1b[K\nc\x1b[K\nd\x1b[K", RESTAURAR]),
    (["ñ\n", ""], 1, None, [OCULTAR, "ñ\x1b[K\n\x1b[K".encode(), b"\r\x1b[1A", b"\x1b[K\n\x1b[K", RESTAURAR]),
    ([], None, None, [OCULTAR, RESTAURAR]),  # sin fotogramas no hay nada que dibujar, tampoco sin fin
    ("abc\nab", 1, ["#ff0000", "#0000ff"],  # un degradado por columnas
     [OCULTAR, color(255, 0, 0), b"a", color(128, 0, 128), b"b", color(0, 0, 255), b"c\x1b[0m\x1b[K\n",
      color(255, 0, 0), b"a", color(128, 0, 128), b"b\x1b[0m\x1b[K", RESTAURAR]),
])
def test_bytes(fotogramas, veces, colores, esperado):  # lo que Python imprimió antes sale antes
    codigo = f"import glifador; print(end='antes'); glifador.reproducir({fotogramas!r}, 0, {veces!r}, {colores!r})"
    assert bytes_de(codigo) == b"antes" + b"".join(esperado)


@pytest.mark.parametrize("kw, excepcion, mensaje", [
    *[({"intervalo": v}, ValueError, "intervalo debe ser >= 0") for v in (-0.5, math.nan, math.inf)],
    ({"intervalo": -1, "colores": ["rojo"]}, ValueError, "opción inválida: los colores van en hexadecimal: "
     "#rgb o #rrggbb"),  # los colores se leen antes
    ({"colores": "#ff0000"}, TypeError, None),
    ({"veces": -1}, OverflowError, None),
    ({"veces": 1.0}, TypeError, None),
    ({"fotogramas": ["a", 3]}, TypeError, None),
])
def test_errores_antes_de_escribir(capfd, kw, excepcion, mensaje):
    texto = fallo("reproducir", **{"fotogramas": "x", "veces": 1, **kw}, tipo=excepcion)
    assert mensaje in (None, texto) and capfd.readouterr().out == ""


def test_la_pausa_sigue_tras_una_senal():  # un temporizador la corta cada 10 ms: se espera lo que falta
    salida = bytes_de("""
        import signal, time, glifador
        signal.signal(signal.SIGALRM, lambda *a: None)
        signal.setitimer(signal.ITIMER_REAL, 0.01, 0.01)
        inicio = time.monotonic()
        glifador.reproducir("x", intervalo=0.3, veces=1)
        signal.setitimer(signal.ITIMER_REAL, 0)
        print(time.monotonic() - inicio)
    """)
    assert float(salida.split(RESTAURAR)[1]) >= 0.3


def test_ctrl_c_restaura_y_lanza():
    with subprocess.Popen([sys.executable, "-c", textwrap.dedent("""
        import glifador
        try:
            glifador.reproducir(["a", "b"], intervalo=0.02)
        except KeyboardInterrupt:
            print("|interrumpido")
    """)], stdout=subprocess.PIPE, stderr=subprocess.PIPE) as p:
        primero = p.stdout.read(10)  # ya dibuja: el manejador de Ctrl+C de Python está puesto
        p.send_signal(signal.SIGINT)
        resto, err = p.communicate(timeout=30)
    assert p.returncode == 0, err
    assert primero == OCULTAR + b"a\x1b[K"
    assert (primero + resto).endswith(b"\x1b[K" + RESTAURAR + b"|interrumpido\n")


def test_animar_en_una_terminal_y_ctrl_c():
    fotogramas = glifador.animar(CORAZON, "hola mundo")
    retorno = f"\r\x1b[{fotogramas[0].count(chr(10))}A".encode()
    argv = [*ORDEN, "animar", str(CORAZON), "-t", "hola mundo", "--intervalo", "0.01"]
    # Más retornos que fotogramas: en una terminal no para tras la primera vuelta.
    codigo, visto = ctrl_c_en_pty(argv, lambda visto: visto.count(retorno) > len(fotogramas))
    assert codigo == 0 and b"Traceback" not in visto
    # La terminal escribe "\n" como "\r\n".
    assert visto.startswith(OCULTAR) and visto.endswith(b"\x1b[0m\x1b[?25h\r\n")


def test_animar_en_una_tuberia_es_una_vuelta():
    fotogramas = glifador.animar(CORAZON, "hola")
    with subprocess.Popen([*ORDEN, "animar", str(CORAZON), "-t", "hola"], stdout=subprocess.PIPE) as p:
        salida = p.stdout.read()
    assert p.returncode == 0
    assert salida.startswith(OCULTAR) and salida.endswith(RESTAURAR)
    assert salida.count(b"\r\x1b[") == len(fotogramas) - 1


def test_animar_con_la_tuberia_cerrada():
    # Como `glifador animar … | head -c 10`: OSError y fin, sin colgarse ni morir por SIGPIPE.
    orden = [*ORDEN, "animar", str(CORAZON), "-t", "hola", "--veces", "1000"]
    with subprocess.Popen(orden, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as p:
        p.stdout.read(10)
        p.stdout.close()
        assert p.wait(timeout=30) == 1
        assert p.stderr.read().decode().endswith("OSError: Broken pipe (os error 32)\n")
