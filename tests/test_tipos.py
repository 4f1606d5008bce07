"""Los stubs de tipos: coinciden con el módulo y mypy los usa de verdad."""

import ast
import inspect
import os
import subprocess
import sys
from pathlib import Path

import glifador
import pytest

STUB = Path(__file__).resolve().parent.parent / "src" / "lib" / "glifador.pyi"
FUNCIONES = ["dibujar", "analizar", "animar", "a_svg", "reproducir", "cli"]


@pytest.mark.parametrize("nombre", FUNCIONES)
def test_el_stub_coincide_con_el_modulo(nombre):
    defs = {n.name: n.args for n in ast.parse(STUB.read_text(encoding="utf-8")).body if isinstance(n, ast.FunctionDef)}
    assert list(defs) == FUNCIONES == [n for n in vars(glifador) if not n.startswith("_")]
    nombres, valores = [a.arg for a in defs[nombre].args], defs[nombre].defaults
    defectos = dict(zip(nombres[len(nombres) - len(valores) :], map(ast.literal_eval, valores)))
    real = inspect.signature(getattr(glifador, nombre)).parameters
    assert nombres == list(real)
    # ancho=... y colores=... en la firma real; el stub da el valor que se usa.
    assert {p.name: p.default for p in real.values() if p.default is not inspect.Parameter.empty} == {
        k: v if real[k].default is not Ellipsis else ... for k, v in defectos.items()}


@pytest.mark.parametrize("codigo, error", [
    ("""
import glifador
figura: str = glifador.dibujar("gato.png", "hola", ancho="auto", umbral=None, color=True)
informe = glifador.analizar(b"...", texto="hola", ancho=40)
recomendado: int | None = informe.get("ancho_recomendado")
fotogramas: list[str] = glifador.animar("gato.png", "hola", fotogramas=None, latido=0.2)
svg: str = glifador.a_svg(fotogramas, colores=("#fff", "#000"), fondo=None)
glifador.reproducir(fotogramas[0], veces=1, colores=["#ff2d55"])
codigo: int = glifador.cli() + informe["letras"]
version: str = glifador.__version__
""", None),
    ("import glifador\nglifador.dibujar(3, 'hola')\n", 'Argument 1 to "dibujar" has incompatible type "int"'),
    ("import glifador\nx: int = glifador.a_svg('x')\n", "Incompatible types in assignment"),
    ("import glifador\nglifador.reproducir('x', veces='2')\n", 'Argument "veces" to "reproducir"'),
    ("import glifador\nglifador.analizar('a.png')['nada']\n", 'has no key "nada"'),
])
def test_mypy(tmp_path, codigo, error):
    pytest.importorskip("mypy")
    (tmp_path / "ejemplo.py").write_text(codigo, encoding="utf-8")
    env = dict(os.environ)
    if not (Path(glifador.__file__).parent / "glifador-stubs").exists():
        env["MYPYPATH"] = str(STUB.parent)  # sin instalar: el stub del repositorio
    r = subprocess.run([sys.executable, "-m", "mypy", "--strict", "--cache-dir", str(tmp_path / "c"), "ejemplo.py"],
                       cwd=tmp_path, env=env, capture_output=True, text=True, timeout=300, check=False)
    if error is None:
        assert r.returncode == 0, r.stdout
    else:
        assert r.returncode == 1 and error in r.stdout, r.stdout
