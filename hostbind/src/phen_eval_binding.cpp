// Binding function of mi_phen_eval, the one host function the shaders call.
#include "binding_table.h"

extern "C" void *mi_phen_eval(miState *state, void *param) {
  void *host = qzhbBoundAddress(qzhbSlot_mi_phen_eval);
  if (host == nullptr)
    return nullptr; // the host lacks it: never call through an empty slot
  return reinterpret_cast<void *(*)(miState *, void *)>(host)(state, param);
}
