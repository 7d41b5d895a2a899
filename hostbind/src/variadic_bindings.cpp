// Binding functions of the four host functions whose variable argument list
// is forwarded: a fixed selection of values, chosen by a selector argument,
// is taken from the list and handed to the host as ordinary arguments.
//
// The host's own functions are variadic, so they are called through variadic
// types: the values then travel exactly as the host's va_arg expects them,
// and a System V caller states (in al) that no vector register is used.
//
// The caller may supply fewer values than its row names; the row's full
// count is read all the same, and what was not supplied reaches the host as
// meaningless bits read from the call's register save area or the caller's
// frame. Nothing tells a variadic callee how many values it was given.
#include <cstdarg>

#include "binding_table.h"
#include "qzfractal/host_functions.h"

namespace {

using Word = void *; // a 64-bit value: a pointer or a 64-bit integer

using SceneCreateFunction = void *(*)(void *, miInteger, ...);
using SceneRecreateFunction = void *(*)(miInteger, miInteger, ...);
using SceneGroweditFunction = void *(*)(miInteger, ...);
using QueryFunction = miBoolean (*)(miInteger, miState *, miInteger, void *, ...);

struct EightInts {
  miInteger value[8];
};

// Values are taken one after the other, each into its own variable, so that
// the order of reading never depends on the order of evaluating arguments.
EightInts takeEightInts(va_list &list) {
  EightInts ints;
  for (miInteger &value : ints.value)
    value = va_arg(list, miInteger);
  return ints;
}

// Element types of mi_scene_create and mi_scene_recreate that take something
// other than eight ints.
constexpr miInteger kElementWordThenEightInts = 40;
constexpr miInteger kElementThreeIntsThenWord = 51;

template <typename Host, typename First>
void *forwardByElementType(Host host, First first, miInteger type, va_list &list) {
  switch (type) {
  case kElementWordThenEightInts: {
    const Word word = va_arg(list, Word);
    const EightInts i = takeEightInts(list);
    return host(first, type, word, i.value[0], i.value[1], i.value[2], i.value[3], i.value[4], i.value[5], i.value[6],
                i.value[7]);
  }
  case kElementThreeIntsThenWord: {
    const miInteger a = va_arg(list, miInteger);
    const miInteger b = va_arg(list, miInteger);
    const miInteger c = va_arg(list, miInteger);
    const Word word = va_arg(list, Word);
    return host(first, type, a, b, c, word);
  }
  default: {
    const EightInts i = takeEightInts(list);
    return host(first, type, i.value[0], i.value[1], i.value[2], i.value[3], i.value[4], i.value[5], i.value[6],
                i.value[7]);
  }
  }
}

} // namespace

// The bodies of the variadic binding functions; their entry points, under
// the host functions' own names, are in binding_stubs.S.
extern "C" {

void *qzhbVariadic_mi_scene_create(void *element, miInteger type, ...) {
  void *host = qzhbBoundAddress(qzhbSlot_mi_scene_create);
  if (host == nullptr)
    return nullptr;
  va_list list;
  va_start(list, type);
  void *result = forwardByElementType(reinterpret_cast<SceneCreateFunction>(host), element, type, list);
  va_end(list);
  return result;
}

void *qzhbVariadic_mi_scene_recreate(miInteger tag, miInteger type, ...) {
  void *host = qzhbBoundAddress(qzhbSlot_mi_scene_recreate);
  if (host == nullptr)
    return nullptr;
  va_list list;
  va_start(list, type);
  void *result = forwardByElementType(reinterpret_cast<SceneRecreateFunction>(host), tag, type, list);
  va_end(list);
  return result;
}

void *qzhbVariadic_mi_scene_growedit(miInteger tag, ...) {
  void *host = qzhbBoundAddress(qzhbSlot_mi_scene_growedit);
  if (host == nullptr)
    return nullptr;
  va_list list;
  va_start(list, tag);
  const EightInts i = takeEightInts(list);
  va_end(list);
  return reinterpret_cast<SceneGroweditFunction>(host)(tag, i.value[0], i.value[1], i.value[2], i.value[3], i.value[4],
                                                       i.value[5], i.value[6], i.value[7]);
}

miBoolean qzhbVariadic_mi_query(miInteger query, miState *state, miInteger tag, void *result, ...) {
  void *bound = qzhbBoundAddress(qzhbSlot_mi_query);
  if (bound == nullptr)
    return 0;
  const auto host = reinterpret_cast<QueryFunction>(bound);
  va_list list;
  va_start(list, result);
  miBoolean answer;
  switch (query) {
  case 15:
  case 152:
  case 163:
  case 171:
  case 172: {
    const miInteger value = va_arg(list, miInteger);
    answer = host(query, state, tag, result, value);
    break;
  }
  case 127: {
    const Word word = va_arg(list, Word);
    answer = host(query, state, tag, result, word);
    break;
  }
  case 165: {
    const Word word = va_arg(list, Word);
    const miInteger value = va_arg(list, miInteger);
    answer = host(query, state, tag, result, word, value);
    break;
  }
  default:
    answer = host(query, state, tag, result);
    break;
  }
  va_end(list);
  return answer;
}

} // extern "C"
