"""La reproducción en la terminal: los bytes exactos, las pausas, Ctrl+C y una salida que se cierra."""

import math
import signal
import subprocess
import sys
import textwrap

import glifador
import pytest
from linea_de_ordenes import CORAZON, ORDEN, ctrl_c_en_pty

OCULTAR = b"\x1b[?25l"
RESTAURAR = b"\x1b[0m\x1b[?25h\n"


def hijo(codigo):
    """Otro intérprete que ejecuta `codigo`; sus descriptores 1 y 2 son tuberías."""
    return subprocess.Popen([sys.executable, "-c", textwrap.dedent(codigo)], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE)


def bytes_de(codigo):
    with hijo(codigo) as p:
        salida, err = p.communicate(timeout=60)
    assert p.returncode == 0, err
    return salida


@pytest.mark.parametrize(
    "fotogramas, veces, esperado",
    [
        ("hola", 1, [OCULTAR, b"hola\x1b[K", RESTAURAR]),
        ("hola", 2, [OCULTAR, b"hola\x1b[K", b"\r", b"hola\x1b[K", RESTAURAR]),
        ("hola", 0, [OCULTAR, RESTAURAR]),
        (["a\nb", "c\nd"], 2, [OCULTAR, b"a\x1b[K\nb\x1b[K", b"\r\x1b[1A", b"c\x1b[K\nd\x1b[K", b"\r\x1b[1A",
                               b"a\x1b[K\nb\x1b[K", b"\r\x1b[1A", b"c\x1b[K\nd\x1b[K", RESTAURAR]),
        # Alturas distintas: el corto se rellena y el retorno sube por el más alto.
        (["a", "b\nc\nd"], 1,
         [OCULTAR, b"a\x1b[K\n\x1b[K\n\x1b[K", b"\r\x1b[2A", b"b\x1b[K\nc\x1b[K\nd\x1b[K", RESTAURAR]),
        (["ñ\n", ""], 1, [OCULTAR, "ñ\x1b[K\n\x1b[K".encode(), b"\r\x1b[1A", b"\x1b[K\n\x1b[K", RESTAURAR]),
        # Sin fotogramas no hay nada que dibujar, tampoco sin fin.
        ([], None, [OCULTAR, RESTAURAR]),
    ],
)
def test_bytes(fotogramas, veces, esperado):
    codigo = f"import glifador; glifador.reproducir({fotogramas!r}, intervalo=0, veces={veces!r})"
    assert bytes_de(codigo) == b"".join(esperado)


def test_degradado_y_lo_impreso_antes():
    salida = bytes_de("""
        import glifador
        print("antes")
        glifador.reproducir("abc\\nab", intervalo=0, veces=1, colores=["#ff0000", "#0000ff"])
    """)
    assert salida.startswith(b"antes\n" + OCULTAR + b"\x1b[38;2;255;0;0ma") and salida.endswith(RESTAURAR)
    assert b"\x1b[38;2;0;0;255mc" in salida


@pytest.mark.parametrize(
    "kw, excepcion",
    [
        ({"intervalo": -0.5}, ValueError),
        ({"intervalo": math.nan}, ValueError),
        ({"intervalo": math.inf}, ValueError),
        ({"intervalo": -1, "colores": ["rojo"]}, ValueError),  # los colores se leen antes
        ({"colores": "#ff0000"}, TypeError),
        ({"veces": -1}, OverflowError),
        ({"veces": 1.0}, TypeError),
        ({"fotogramas": ["a", 3]}, TypeError),
    ],
)
def test_errores_antes_de_escribir(capfd, kw, excepcion):
    with pytest.raises(excepcion) as e:
        glifador.reproducir(**{"fotogramas": "x", "veces": 1, **kw})
    if "intervalo" in kw and "colores" not in kw:
        assert e.value.args == ("intervalo debe ser >= 0",)
    assert capfd.readouterr().out == ""


def test_la_pausa_sigue_tras_una_senal():
    # Un temporizador corta la pausa cada 10 ms; cada vez se espera lo que falta.
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
    with hijo("""
        import glifador
        try:
            glifador.reproducir(["a", "b"], intervalo=0.02)
        except KeyboardInterrupt:
            print("|interrumpido")
    """) as p:
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
