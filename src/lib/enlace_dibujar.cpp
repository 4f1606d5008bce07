// dibujar(): argumentos, carga de la imagen y figura de texto.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"

#include "core/dibujo.h"

namespace glifador::py {
namespace {

/// Los doce argumentos de dibujar ya convertidos.
struct ArgsDibujar {
    Imagen imagen;
    std::string texto;
    AnchoPy ancho;
    std::string espacios = "normal";
    Opciones op;
};

bool convertir(PyObject* const o[12], ArgsDibujar& a) {
    enum { IMAGEN, TEXTO, ANCHO, ASPECTO, REPETIR, ESPACIOS, UMBRAL, INVERTIR, HUECOS, SUAVIZAR, DESFASE, COLOR };
    return convertir_imagen(o[IMAGEN], a.imagen) && convertir_str(o[TEXTO], "texto", a.texto) &&
           (!o[ANCHO] || convertir_ancho(o[ANCHO], a.ancho)) &&
           (!o[ASPECTO] || convertir_float32(o[ASPECTO], "aspecto", a.op.aspecto)) &&
           (!o[REPETIR] || convertir_bool(o[REPETIR], "repetir", a.op.repetir)) &&
           (!o[ESPACIOS] || convertir_str(o[ESPACIOS], "espacios", a.espacios)) &&
           (!o[UMBRAL] || convertir_umbral(o[UMBRAL], a.op.umbral)) &&
           (!o[INVERTIR] || convertir_bool(o[INVERTIR], "invertir", a.op.invertir)) &&
           (!o[HUECOS] || convertir_bool(o[HUECOS], "huecos", a.op.huecos)) &&
           (!o[SUAVIZAR] || convertir_u64(o[SUAVIZAR], "suavizar", a.op.suavizar)) &&
           (!o[DESFASE] || convertir_u64(o[DESFASE], "desfase", a.op.desfase)) &&
           (!o[COLOR] || convertir_bool(o[COLOR], "color", a.op.color));
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"imagen", "texto",  "ancho",    "aspecto", "repetir", "espacios", "umbral",
                                    "invertir", "huecos", "suavizar", "desfase", "color",   nullptr};
    PyObject* o[12] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "OO|OOOOOOOOOO:dibujar", const_cast<char**>(nombres), &o[0],
                                     &o[1], &o[2], &o[3], &o[4], &o[5], &o[6], &o[7], &o[8], &o[9], &o[10], &o[11]))
        return nullptr;
    ArgsDibujar a;
    if (!convertir(o, a)) return nullptr;
    if (!leer_ancho_y_espacios(a.ancho, a.espacios, a.op)) return nullptr;
    auto imagen = cargar_imagen(a.imagen);
    if (!imagen) return lanzar(imagen.fallo());
    a.imagen = Imagen{};  // los bytes codificados ya no hacen falta
    auto r = dibujar(std::move(*imagen), a.texto, a.op);
    if (!r) return lanzar(r.fallo());
    return nuevo_str(*r).soltar();
}

PyObject* dibujar_py(PyObject*, PyObject* args, PyObject* kwargs) {
    return envolver([&] { return cuerpo(args, kwargs); });
}

}  // namespace

const PyMethodDef DEF_DIBUJAR = {
    "dibujar", reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)(void)>(&dibujar_py)),
    METH_VARARGS | METH_KEYWORDS,
    "dibujar(imagen, texto, ancho=..., aspecto=2.0, repetir=True, espacios=\"normal\", umbral=None, "
    "invertir=False, huecos=False, suavizar=0, desfase=0, color=False)\n--\n\n"
    "Escribe `texto` dentro de la silueta de `imagen` (ruta o bytes) y devuelve\n"
    "el resultado como texto multilínea. `ancho=\"auto\"` elige el menor ancho en\n"
    "el que cabe todo el texto. `color=True` pinta cada letra (ANSI truecolor)\n"
    "con el color de la imagen en su posición."};

}  // namespace glifador::py
