#include "network_builder.h"

#include <cstring>

#include "token_stream.h"
#include "values.h"

namespace qzscene {
namespace {

Location optionLocation(const std::string &text) {
  return Location{std::make_shared<const std::string>(shownText(text)), 0, 0, true};
}

// Where a parameter of an instance got its value: the assignment, or the
// declaration's default.
Location parameterLocation(const Scene &scene, int instance, int parameter) {
  const Instance &at = scene.instances[instance];
  if (const Assignment *assignment = at.find(parameter))
    return assignment->connected ? assignment->sourceLocation : assignment->location;
  return scene.declarations[at.declaration].parameters[parameter].location;
}

Location sceneLocation(const Scene &scene) { return Location{std::make_shared<const std::string>(scene.path), 0, 0}; }

} // namespace

void applyOverride(Scene &scene, const std::string &option) {
  const Location where = optionLocation("--param " + option);
  const size_t equals = option.find('=');
  const size_t dot = equals == std::string::npos ? std::string::npos : option.rfind('.', equals);
  if (equals == std::string::npos || dot == std::string::npos || dot == 0 || dot + 1 == equals)
    throw SceneError(where, "expected INSTANCE.PARAM=VALUE");
  const std::string instanceName = option.substr(0, dot);
  const std::string parameterName = option.substr(dot + 1, equals - dot - 1);
  const int index = scene.findInstance(instanceName);
  if (index < 0)
    throw SceneError(where, "the scene has no shader instance \"" + shownText(instanceName) + "\"");
  Instance &instance = scene.instances[index];
  const Declaration &declaration = scene.declarations[instance.declaration];
  const int parameter = declaration.find(parameterName);
  if (parameter < 0)
    throw SceneError(where,
                     "shader \"" + declaration.name + "\" has no parameter \"" + shownText(parameterName) + "\"");

  TokenStream tokens(option.substr(equals + 1), where.describe());
  Assignment assignment;
  assignment.parameter = parameter;
  assignment.location = where;
  assignment.value = readValue(tokens, declaration.parameters[parameter].type, "parameter \"" + parameterName + "\"");
  const Token rest = tokens.next();
  if (rest.kind != Token::Kind::End)
    throw SceneError(where, "unexpected " + rest.describe() + " after the value");
  if (Assignment *existing = instance.find(parameter))
    *existing = assignment;
  else
    instance.assignments.push_back(assignment);
}

int chooseRoot(const Scene &scene, const std::string &rootName) {
  if (!rootName.empty()) {
    const int index = scene.findInstance(rootName);
    if (index < 0)
      throw SceneError(optionLocation("--shader " + rootName),
                       "the scene has no shader instance \"" + shownText(rootName) + "\"");
    return index;
  }
  if (scene.instances.empty())
    throw SceneError(sceneLocation(scene), "the scene defines no shader instance to render");
  return static_cast<int>(scene.instances.size()) - 1;
}

qzhost::NetworkDescription buildNetwork(const Scene &scene, int root) {
  qzhost::NetworkDescription description;
  for (const Link &link : scene.links)
    description.libraries.push_back(link.path);
  description.root = root;
  for (const Instance &instance : scene.instances) {
    const Declaration &declaration = scene.declarations[instance.declaration];
    qzhost::InstanceDescription &out = description.instances.emplace_back();
    out.name = instance.name;
    out.shader = declaration.name;
    out.declaredVersion = declaration.version;
    out.result = declaration.result;
    for (const ParameterDeclaration &parameter : declaration.parameters) {
      qzhost::ParameterDescription &field = out.parameters.emplace_back();
      field.name = parameter.name;
      field.type = parameter.type;
      field.value = parameter.defaultValue;
      field.textureSpace = parameter.type == ValueType::Integer && parameter.name == "texSpace";
    }
    for (const Assignment &assignment : instance.assignments) {
      qzhost::ParameterDescription &field = out.parameters[assignment.parameter];
      if (!assignment.connected) {
        field.value = assignment.value;
        continue;
      }
      field.connection = scene.findInstance(assignment.source);
      if (field.connection < 0)
        throw SceneError(assignment.sourceLocation, "no shader instance named \"" + assignment.source + "\"");
    }
  }
  return description;
}

std::unique_ptr<qzhost::Network> loadNetwork(const Scene &scene, int root) {
  const qzhost::NetworkDescription description = buildNetwork(scene, root);
  qzhost::LoadError error;
  std::unique_ptr<qzhost::Network> network = qzhost::Network::load(description, &error);
  if (network)
    return network;
  switch (error.subject) {
  case qzhost::LoadError::Subject::Library:
    throw SceneError(scene.links.at(error.index).location, error.message);
  case qzhost::LoadError::Subject::Parameter:
    throw SceneError(parameterLocation(scene, error.index, error.parameter), error.message);
  case qzhost::LoadError::Subject::Instance:
    break;
  }
  if (error.index >= 0 && error.index < static_cast<int>(scene.instances.size()))
    throw SceneError(scene.instances[error.index].location, error.message);
  throw SceneError(sceneLocation(scene), error.message);
}

std::string describeNetwork(const Scene &scene, int root) {
  // Depth first from the root, each instance once, feeding instances after
  // the ones they feed.
  std::vector<char> listed(scene.instances.size(), 0);
  std::vector<int> order;
  std::vector<int> pending{root};
  while (!pending.empty()) {
    const int at = pending.back();
    pending.pop_back();
    if (listed[at])
      continue;
    listed[at] = 1;
    order.push_back(at);
    for (const Assignment &assignment : scene.instances[at].assignments)
      if (assignment.connected) {
        const int source = scene.findInstance(assignment.source);
        if (source >= 0 && !listed[source])
          pending.push_back(source);
      }
  }
  std::string text;
  for (int index : order) {
    const Instance &instance = scene.instances[index];
    const Declaration &declaration = scene.declarations[instance.declaration];
    text += instance.name + " " + declaration.name + " (";
    for (size_t p = 0; p < declaration.parameters.size(); ++p) {
      const ParameterDeclaration &parameter = declaration.parameters[p];
      const Assignment *assignment = instance.find(static_cast<int>(p));
      text += (p ? ", " : "") + parameter.name + " ";
      if (assignment && assignment->connected)
        text += "= " + assignment->source;
      else
        text += formatValue(assignment ? assignment->value : parameter.defaultValue, parameter.type);
    }
    text += ")\n";
  }
  return text;
}

} // namespace qzscene
