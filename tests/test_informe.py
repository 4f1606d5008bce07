"""El informe de `glifador analizar`, comparado byte a byte con el que se redacta aquí desde analizar()."""

import subprocess
from pathlib import Path

import glifador
import pytest
from linea_de_ordenes import correr, salida
from pinturas import CORAZON, GATO, anillo, figura_alfa


def referencia(imagen, texto=None, ancho=60):
    d = glifador.analizar(imagen, texto, ancho=ancho)
    lineas = d["plantilla"].split("\n") if d["plantilla"] else []
    w = max(map(len, lineas), default=0)
    s = (f"\nSilueta a {d['ancho']} columnas × {d['filas']} filas\n"
         f"Caben {d['letras']} letras (los espacios cuentan) ≈ {d['letras'] // 6} palabras\n"
         f"Tramos: {d['tramos']} (de {d['tramo_min']} a {d['tramo_max']} letras); "
         "cada hueco entre tramos puede partir una palabra\n\nPlantilla (letras por fila a la derecha):\n")
    s += "".join(f"  {linea:<{w}}  │ {n:>3}\n" for linea, n in zip(lineas, d["letras_por_fila"]))
    s += "\nOtros anchos:\n  ancho  filas  letras  ≈palabras\n"
    for a, letras in d["letras_por_ancho"].items():
        s += f"  {a:>5}  {glifador.analizar(imagen, ancho=a)['filas']:>5}  {letras:>6}  {letras // 6:>9}\n"
    if texto is not None:
        tl, dif = d["texto_letras"], d["sobran"]
        if d["ancho_recomendado"] is None:
            tope = glifador.analizar(imagen, ancho=1000)["letras"]
            rec = f"el texto tiene {tl} letras y la silueta admite como mucho {tope} (con 1000 columnas). "
        else:
            rec = f"Cabe completo desde {d['ancho_recomendado']} columnas (-w auto). "
        cola = "cabe exacto" if dif == 0 else f"sobran {dif} letras" if dif > 0 else f"faltan {-dif} letras"
        s += f"\nTu texto: {tl} letras. {rec}A {d['ancho']} columnas {cola}.\n"
    return s.rstrip() + "\n"


@pytest.mark.parametrize("imagen, texto, ancho", [
    (GATO, None, 60),
    (CORAZON, "hola mundo", 25),
    (GATO, "un  gato   negro", "auto"),
    ("punto", "b" * 100000, 60),
], ids=["sin_texto", "sobran", "auto", "no_cabe"])
def test_igual_que_la_referencia(tmp_path, imagen, texto, ancho):
    if imagen == "punto":  # una figura diminuta: ningún texto largo cabe ni a 1000 columnas
        imagen = tmp_path / "punto.png"
        imagen.write_bytes(figura_alfa(anillo(8, 2, 0)))
    args = ["-w", ancho] + (["-t", texto] if texto is not None else [])
    assert salida(correr("analizar", imagen, *args)) == referencia(imagen, texto, ancho)


def test_ejemplo_y_casos_limite_en_cpp():
    """El ejemplo y los límites que solo un Informe hecho a mano alcanza: pruebas_nucleo, junto a un módulo
    compilado a mano o donde lo deja `./hacer.sh pruebas`."""
    candidatos = [Path(glifador.__file__).parent, Path(__file__).resolve().parents[1] / "build" / "cpp"]
    programa = next((d / "pruebas_nucleo" for d in candidatos if (d / "pruebas_nucleo").exists()), None)
    if programa is None:
        pytest.skip("pruebas_nucleo no está compilado (GLIFADOR_PRUEBAS_CPP=ON)")
    r = subprocess.run([str(programa)], capture_output=True, timeout=60, check=False)
    assert r.returncode == 0, r.stderr.decode()
