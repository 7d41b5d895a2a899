#include "scene.h"

namespace qzscene {

int Declaration::find(const std::string &parameterName) const {
  for (size_t i = 0; i < parameters.size(); ++i)
    if (parameters[i].name == parameterName)
      return static_cast<int>(i);
  return -1;
}

Assignment *Instance::find(int parameter) {
  for (Assignment &assignment : assignments)
    if (assignment.parameter == parameter)
      return &assignment;
  return nullptr;
}

const Assignment *Instance::find(int parameter) const { return const_cast<Instance *>(this)->find(parameter); }

int Scene::findDeclaration(const std::string &name) const {
  for (size_t i = 0; i < declarations.size(); ++i)
    if (declarations[i].name == name)
      return static_cast<int>(i);
  return -1;
}

int Scene::findInstance(const std::string &name) const {
  for (size_t i = 0; i < instances.size(); ++i)
    if (instances[i].name == name)
      return static_cast<int>(i);
  return -1;
}

} // namespace qzscene
