// Las funciones del módulo, en el orden en que se registran.
#pragma once

#include "ref.h"

namespace glifador::py {

extern const PyMethodDef DEF_DIBUJAR;
extern const PyMethodDef DEF_ANALIZAR;
extern const PyMethodDef DEF_ANIMAR;
extern const PyMethodDef DEF_A_SVG;
extern const PyMethodDef DEF_REPRODUCIR;
extern const PyMethodDef DEF_CLI;

}  // namespace glifador::py
