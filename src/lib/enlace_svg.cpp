// a_svg(): fotogramas y colores de Python al documento SVG.
#include "conversiones.h"
#include "errores.h"
#include "funciones.h"

#include "animacion/svg.h"

namespace glifador::py {
namespace {

/// Los seis argumentos de a_svg ya convertidos; los colores aún como texto.
struct ArgsSvg {
    std::vector<std::string> fotogramas;
    std::optional<std::vector<std::string>> colores;  ///< vacío = COLORES_POR_DEFECTO
    std::optional<std::string> fondo;
    OpcionesSvg op;
};

bool convertir_fondo(PyObject* o, std::optional<std::string>& salida) {
    if (o == Py_None) return true;
    if (!PyUnicode_Check(o)) return error_argumento(PyExc_TypeError, "fondo debe ser None o un str");
    salida.emplace();
    return convertir_str(o, "fondo", *salida);
}

bool convertir_colores(PyObject* o, std::optional<std::vector<std::string>>& salida) {
    salida.emplace();
    return convertir_lista_str(o, "colores", *salida);
}

bool convertir(PyObject* const o[6], ArgsSvg& a) {
    enum { FOTOGRAMAS, INTERVALO, COLORES, FONDO, TAMANO, ASPECTO };
    return convertir_fotogramas(o[FOTOGRAMAS], a.fotogramas) &&
           (!o[INTERVALO] || convertir_float32(o[INTERVALO], "intervalo", a.op.intervalo)) &&
           (!o[COLORES] || convertir_colores(o[COLORES], a.colores)) &&
           (!o[FONDO] || convertir_fondo(o[FONDO], a.fondo)) &&
           (!o[TAMANO] || convertir_float32(o[TAMANO], "tamano", a.op.tamano)) &&
           (!o[ASPECTO] || convertir_float32(o[ASPECTO], "aspecto", a.op.aspecto));
}

PyObject* cuerpo(PyObject* args, PyObject* kwargs) {
    static const char* nombres[] = {"fotogramas", "intervalo", "colores", "fondo", "tamano", "aspecto", nullptr};
    PyObject* o[6] = {};
    if (!PyArg_ParseTupleAndKeywords(args, kwargs, "O|OOOOO:a_svg", const_cast<char**>(nombres), &o[0], &o[1],
                                     &o[2], &o[3], &o[4], &o[5]))
        return nullptr;
    ArgsSvg a;
    if (!convertir(o, a)) return nullptr;
    if (a.colores) {
        auto colores = leer_colores(*a.colores);
        if (!colores) return lanzar(colores.fallo());
        a.op.colores = std::move(*colores);
    } else {
        a.op.colores = COLORES_POR_DEFECTO;
    }
    if (a.fondo) {
        auto fondo = leer_color(*a.fondo);
        if (!fondo) return lanzar(fondo.fallo());
        a.op.fondo = *fondo;
    }
    auto r = a_svg(a.fotogramas, a.op);
    if (!r) return lanzar(r.fallo());
    return nuevo_str(*r).soltar();
}

}  // namespace

const PyMethodDef DEF_A_SVG = definir<cuerpo>(
    "a_svg",
    "a_svg(fotogramas, intervalo=0.08, colores=..., fondo=None, tamano=14.0, aspecto=2.0)\n--\n\n"
    "SVG (animado si hay varios fotogramas) listo para un README o una web.");

}  // namespace glifador::py
