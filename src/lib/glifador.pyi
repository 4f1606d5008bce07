# Tipos del módulo glifador para editores y comprobadores de tipos.
from collections.abc import Sequence
from os import PathLike
from typing import TypedDict

__version__: str

_Imagen = bytes | bytearray | Sequence[int] | str | PathLike[str]

class _Medidas(TypedDict):
    ancho: int
    filas: int
    letras: int
    palabras_aprox: int
    letras_por_fila: list[int]
    tramos: int
    tramo_min: int
    tramo_max: int
    plantilla: str
    letras_por_ancho: dict[int, int]

class _Analisis(_Medidas, total=False):
    # Solo cuando se pasa `texto`.
    texto_letras: int
    ancho_recomendado: int | None
    sobran: int

def dibujar(
    imagen: _Imagen,
    texto: str,
    ancho: int | str = 60,
    aspecto: float = 2.0,
    repetir: bool = True,
    espacios: str = "normal",
    umbral: int | None = None,
    invertir: bool = False,
    huecos: bool = False,
    suavizar: int = 0,
    desfase: int = 0,
    color: bool = False,
) -> str: ...
def analizar(
    imagen: _Imagen,
    texto: str | None = None,
    ancho: int | str = 60,
    aspecto: float = 2.0,
    espacios: str = "normal",
    umbral: int | None = None,
    invertir: bool = False,
    huecos: bool = False,
    suavizar: int = 0,
) -> _Analisis: ...
def animar(
    imagen: _Imagen,
    texto: str,
    fotogramas: int | None = None,
    paso: int = 1,
    latido: float = 0.0,
    ancho: int | str = 60,
    aspecto: float = 2.0,
    repetir: bool = True,
    espacios: str = "normal",
    umbral: int | None = None,
    invertir: bool = False,
    huecos: bool = False,
    suavizar: int = 0,
    desfase: int = 0,
    color: bool = False,
) -> list[str]: ...
def a_svg(
    fotogramas: str | Sequence[str],
    intervalo: float = 0.08,
    colores: Sequence[str] = ("#ff2d55", "#b44dff"),
    fondo: str | None = None,
    tamano: float = 14.0,
    aspecto: float = 2.0,
) -> str: ...
def reproducir(
    fotogramas: str | Sequence[str],
    intervalo: float = 0.08,
    veces: int | None = None,
    colores: Sequence[str] | None = None,
) -> None: ...
def cli() -> int: ...
