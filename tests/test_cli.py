"""El script `glifador` como lo usa una persona: modos, opciones, mensajes y códigos de salida."""

import os
import signal
import stat
import sys

import glifador
import pytest
from linea_de_ordenes import CORAZON, PISTA, correr, ctrl_c_en_pty, error, salida

F = str(CORAZON)
COLOR_TEXTO = "opción inválida: los colores van en hexadecimal: #rgb o #rrggbb"


@pytest.mark.parametrize(
    "args", [["-h"], ["--help"], ["-h", "--nada", "x"], ["animar", "-h", "-w"], [F, "--help", "--umbral", "900"]]
)
def test_ayuda_aunque_sigan_argumentos_malos(args):
    ayuda = salida(correr(*args))
    assert ayuda.startswith("uso: glifador IMAGEN [opciones]            escribe el texto dentro de la silueta\n")
    assert ayuda.endswith("\n\nCtrl+C detiene la animación.\n") and ayuda.count("\n") == 37 and "\t" not in ayuda


@pytest.mark.parametrize(
    "args, mensaje",
    [
        ([], "falta la ruta de la imagen"),
        (["animar"], "falta la ruta de la imagen"),
        ([F, "analizar"], "argumento de más: analizar"),
        (["Analizar", F], f"argumento de más: {F}"),
        ([F, "--ancho=40"], "opción desconocida: --ancho=40"),
        ([F, "--"], "opción desconocida: --"),
        (["--nada", "-h"], "opción desconocida: --nada"),
        ([F, "-t"], "falta el valor de -t"),
        ([F, "--ancho"], "falta el valor de --ancho"),
        ([F, "-t", "x", "-w", "ancho"], 'opción inválida: ancho debe ser un entero o "auto"'),
        ([F, "-t", "x", "--espacios", "otro"], 'opción inválida: espacios debe ser "normal", "sin" o "todos"'),
        ([F, "-t", "x", "--fondo", "rojo"], COLOR_TEXTO),
        ([F, "-t", "x", "--umbral", "256"], "--umbral debe estar entre 0 y 255"),
        (["animar", F, "--veces", "-1"], "--veces debe ser un entero >= 0"),
        (["animar", F, "--fotogramas", "3.0"], "--fotogramas debe ser un entero > 0"),
        (["animar", F, "--latido", "x"], "--latido debe ser un número entre 0 y 1"),
        (["animar", F, "-t", "x", "--intervalo", "abc"], "--intervalo debe ser un número"),
        # El rango lo comprueba el núcleo, no la lectura.
        (["animar", F, "-t", "x", "--fotogramas", "0"], "opción inválida: fotogramas debe ser > 0"),
        # Grupos: el de salida se mira antes; el grupo, antes que la ruta; un valor malo, antes que el grupo.
        ([F, "-t", "x", "--paso", "1", "--veces", "2"], "--veces no se usa al dibujar"),
        (["analizar", F, "--paso", "2", "--svg", "a.svg"], "--svg no se usa al analizar"),
        (["analizar", F, "--intervalo", "1"], "--intervalo no se usa al analizar"),
        (["--latido", "0.5"], "--latido no se usa al dibujar"),
        (["--paso", "2", "--umbral", "x"], "--umbral debe estar entre 0 y 255"),
        ([F, "-t", "x", "-f", "y"], "usa --texto o --archivo, no ambos"),
        ([F, "-t", "   "], "el texto está vacío"),
        (["-", "-t", "x"], "no se pudo leer la imagen: No such file or directory (os error 2)"),
        # La lista de colores se lee después del dibujo.
        ([F, "-t", "x", "--colores", "rojo"], COLOR_TEXTO),
        ([F, "-t", " ", "--colores", "rojo"], "el texto está vacío"),
        ([F, "-t", "x", "--svg", "/no/existe/a.svg"], "/no/existe/a.svg: No such file or directory (os error 2)"),
        ([F, "-t", "x", "--svg", "/no/existe/a.svg", "--tamano", "0"],
         "opción inválida: intervalo, tamaño y aspecto deben ser > 0"),
    ],
)
def test_errores(args, mensaje):
    assert error(correr(*args)) == mensaje


@pytest.mark.parametrize(
    "args, kw",
    [
        (["-t", "-w"], {"texto": "-w"}),  # un valor puede empezar por "-"
        (["-t", "x", "-w", "30", "-w", "auto"], {"ancho": "auto"}),
        (["-t", "x", "--umbral", "+7"], {"umbral": 7}),
        (["-t", "x", "--desfase", "18446744073709551615"], {"desfase": 2**64 - 1}),
        (["-t", "x", "--colores", "IMAGEN"], {"color": True}),
        (["-t", "x", "--colores", "rojo", "--colores", "Imagen"], {"color": True}),
        (["--archivo", "{archivo}"], {"texto": "día de sol\n"}),
        ([], {"texto": "día de sol\n"}),  # de la entrada estándar
    ],
)
def test_dibujar(tmp_path, args, kw):
    archivo = tmp_path / "m.txt"
    archivo.write_text("día de sol\n", encoding="utf-8")
    r = correr(F, *[a.format(archivo=archivo) for a in args], entrada="día de sol\n".encode())
    assert salida(r) == glifador.dibujar(F, **{"texto": "x", **kw}) + "\n"


@pytest.mark.parametrize(
    "valor, vale",
    [(v, True) for v in ["-1", "1.", ".5", "1E+3", "inf", "-Infinity", "NaN", "1e400", "1e-400"]]
    + [(v, False) for v in ["", "1e", ".", "e3", " 1", "0x10", "1_0", "1,5", "infinite", "nan(1)", "++1", "١"]],
)
def test_sintaxis_de_los_reales(valor, vale):
    # --tamano solo se usa con --svg: aquí solo cuenta si la lectura lo acepta.
    assert correr(F, "-t", "x", "--tamano", valor).returncode == (0 if vale else 2)


@pytest.mark.parametrize("malo", [b"\xff", b"\xc0\x80", b"\xed\xa0\x80", b"\xe2\x82"])
def test_mensaje_que_no_es_utf8(tmp_path, malo):
    ruta = tmp_path / "m.txt"
    ruta.write_bytes(b"hola " + malo)
    assert error(correr(F, "-f", ruta)) == f"{ruta}: stream did not contain valid UTF-8"
    assert error(correr(F, entrada=b"hola " + malo)) == "stream did not contain valid UTF-8"


def test_archivo_de_mensaje_ilegible(tmp_path):
    assert error(correr(F, "-f", tmp_path / "no")) == f"{tmp_path / 'no'}: No such file or directory (os error 2)"
    assert error(correr(F, "-f", tmp_path)) == f"{tmp_path}: Is a directory (os error 21)"


def test_analizar_no_lee_la_entrada():
    # Una tubería que nadie cierra: leerla sería esperar hasta que salte el plazo.
    lectura, escritura = os.pipe()
    try:
        r = correr("analizar", F, entrada=None, stdin=lectura)
    finally:
        os.close(lectura)
        os.close(escritura)
    assert salida(r).startswith("\nSilueta a 60 columnas")


def test_svg(tmp_path):
    r = correr(F, "-t", "hola", "--svg", "salida.svg", cwd=tmp_path, preexec_fn=lambda: os.umask(0o027))
    assert salida(r) == "salida.svg: 1 fotograma(s)\n"
    assert (tmp_path / "salida.svg").read_text(encoding="utf-8") == glifador.a_svg(glifador.dibujar(F, "hola"))
    assert stat.S_IMODE((tmp_path / "salida.svg").stat().st_mode) == 0o640
    ruta = tmp_path / "a.svg"
    ruta.write_text("x" * 100000)
    fotogramas = glifador.animar(F, "hola", paso=2, aspecto=1.5)
    r = correr("animar", F, "-t", "hola", "--svg", ruta, "--colores", "#123,#abc", "--fondo", "#fff", "--tamano", "20",
               "--intervalo", "0.1", "--aspecto", "1.5", "--paso", "2")
    assert salida(r) == f"{ruta}: {len(fotogramas)} fotograma(s)\n"
    esperado = glifador.a_svg(fotogramas, 0.1, ["#123", "#abc"], "#fff", 20, 1.5)
    assert ruta.read_text(encoding="utf-8") == esperado  # truncado, no escrito encima


@pytest.mark.parametrize("valor", ["-1", "nan", "-inf", "1e400"])
def test_intervalo_no_valido_es_una_excepcion(valor):
    r = correr("animar", F, "-t", "hola", "--intervalo", valor)
    assert r.returncode == 1 and r.stdout == b""
    assert r.stderr.decode().endswith("ValueError: intervalo debe ser >= 0\n")


def test_veces_cero():
    assert salida(correr("animar", F, "-t", "hola", "--veces", "0")) == "\x1b[?25l\x1b[0m\x1b[?25h\n"


def test_un_resultado_que_no_se_puede_escribir_no_es_un_exito():
    with open("/dev/full", "wb") as lleno:
        r = correr(F, "-t", "hola", stdout=lleno)
    assert r.returncode == 1 and "No space left on device (os error 28)" in r.stderr.decode()


def test_ctrl_c_mientras_espera_la_entrada():
    programa = "import os, sys, glifador; os.write(1, b'listo'); sys.exit(glifador.cli())"
    # La pausa da tiempo a llegar a la lectura de la entrada estándar.
    codigo, visto = ctrl_c_en_pty([sys.executable, "-c", programa, F], lambda v: b"listo" in v, pausa=0.3)
    assert codigo == -signal.SIGINT and b"KeyboardInterrupt" in visto


def test_llamada_directa(monkeypatch, capfd, tmp_path):
    monkeypatch.setattr(sys, "argv", ["glifador", "--nada"])
    assert glifador.cli() == 2
    assert capfd.readouterr().err == "glifador: opción desconocida: --nada\n" + PISTA
    monkeypatch.setattr(sys, "argv", ["glifador", "foto.png", 3])
    with pytest.raises(TypeError):
        glifador.cli()
    # Una ruta que no es UTF-8 llega con los bytes que dio el sistema.
    nombre = os.fsdecode(b"\xff.png")
    (tmp_path / nombre).write_bytes(CORAZON.read_bytes())
    assert correr(nombre, "-t", "hola", cwd=tmp_path).returncode == 0
