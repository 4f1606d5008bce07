// reproducir(): argumentos de Python, vaciado de sys.stdout y la reproducción en la terminal.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"
#include "reproduccion.h"

namespace glifador::py {
namespace {

/// Los cuatro argumentos de reproducir ya convertidos; los colores aún como texto.
struct ArgsReproducir {
    std::vector<std::string> fotogramas;
    double intervalo = 0.08;
    std::optional<std::uint64_t> veces;
    std::vector<std::string> colores;
};

bool convertir_colores(PyObject* o, std::vector<std::string>& salida) {
    return o == Py_None || convertir_lista_str(o, "colores", salida);
}

bool convertir(PyObject* const o[4], ArgsReproducir& a) {
    enum { FOTOGRAMAS, INTERVALO, VECES, COLORES };
    return convertir_fotogramas(o[FOTOGRAMAS], a.fotogramas) &&
           (!o[INTERVALO] || convertir_float64(o[INTERVALO], "intervalo", a.intervalo)) &&
           (!o[VECES] || convertir_u64_opcional(o[VECES], "veces", a.veces)) &&
           (!o[COLORES] || convertir_colores(o[COLORES], a.colores));
}

/// Lo que Python tenga en el búfer de sys.stdout debe salir antes que la animación.
bool vaciar_stdout() {
    Ref sys = Ref::robar(PyImport_ImportModule("sys"));
    if (!sys) return false;
    Ref salida = Ref::robar(PyObject_GetAttrString(sys.get(), "stdout"));
    if (!salida) return false;
    // Sin sys.stdout (pythonw, un demonio) no hay nada que vaciar.
    if (salida.get() == Py_None) return true;
    Ref r = Ref::robar(PyObject_CallMethod(salida.get(), "flush", nullptr));
    return static_cast<bool>(r);
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"fotogramas", "intervalo", "veces", "colores", nullptr};
    PyObject* o[4] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|OOO:reproducir", const_cast<char**>(nombres), &o[0], &o[1],
                                     &o[2], &o[3]))
        return nullptr;
    ArgsReproducir a;
    if (!convertir(o, a)) return nullptr;
    auto colores = leer_colores(a.colores);
    if (!colores) return lanzar(colores.fallo());
    if (!vaciar_stdout()) return nullptr;
    if (!intervalo_valido(a.intervalo)) {
        PyErr_SetString(PyExc_ValueError, TEXTO_INTERVALO);
        return nullptr;
    }
    const FotogramasPreparados p = preparar_fotogramas(a.fotogramas, *colores);
    if (!reproducir_fotogramas(p, a.intervalo, a.veces)) return nullptr;
    Py_RETURN_NONE;
}

}  // namespace

const PyMethodDef DEF_REPRODUCIR = definir<cuerpo>(
    "reproducir",
    "reproducir(fotogramas, intervalo=0.08, veces=None, colores=None)\n--\n\n"
    "Reproduce los fotogramas en la terminal. `veces=None` repite hasta Ctrl+C.");

}  // namespace glifador::py
