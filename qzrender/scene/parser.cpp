#include "parser.h"

#include "token_stream.h"
#include "values.h"

namespace qzscene {
namespace {

class Parser {
public:
  Parser(Scene &scene, TokenStream &tokens, const SearchPath &libraries)
      : scene_(scene), tokens_(tokens), libraries_(libraries) {}

  void run() {
    while (true) {
      const Token statement = tokens_.next();
      if (statement.kind == Token::Kind::End)
        return;
      if (statement.kind == Token::Kind::Word && statement.text == "link")
        readLink();
      else if (statement.kind == Token::Kind::Word && statement.text == "declare")
        readDeclaration();
      else if (statement.kind == Token::Kind::Word && statement.text == "shader")
        readInstance();
      else
        throw SceneError(statement.location, "unknown statement " + statement.describe() +
                                                 " (qzrender reads link, $include, declare shader and shader)");
    }
  }

private:
  Token expect(Token::Kind kind, const std::string &what) {
    Token token = tokens_.next();
    if (token.kind != kind)
      throw SceneError(token.location, "expected " + what + ", found " + token.describe());
    return token;
  }

  void expectWord(const std::string &word) {
    const Token token = tokens_.next();
    if (token.kind != Token::Kind::Word || token.text != word)
      throw SceneError(token.location, "expected \"" + word + "\", found " + token.describe());
  }

  // Consumes `,` and returns true, or sees `)` and returns false.
  bool moreInList() {
    const Token token = tokens_.next();
    if (token.kind == Token::Kind::Comma)
      return true;
    if (token.kind == Token::Kind::CloseParen)
      return false;
    throw SceneError(token.location, "expected ',' or ')', found " + token.describe());
  }

  // ( item, item, ... ) or ( ).
  template <typename ReadItem> void readList(ReadItem readItem) {
    expect(Token::Kind::OpenParen, "'('");
    if (tokens_.peek().kind == Token::Kind::CloseParen) {
      tokens_.next();
      return;
    }
    do
      readItem();
    while (moreInList());
  }

  ValueType readType(const char *role) {
    const Token token = tokens_.next();
    if (token.kind == Token::Kind::Word) {
      if (token.text == "scalar")
        return ValueType::Scalar;
      if (token.text == "integer")
        return ValueType::Integer;
      if (token.text == "color")
        return ValueType::Color;
    }
    if (token.kind == Token::Kind::Word)
      throw SceneError(token.location, std::string("unsupported ") + role + " type " + token.describe() +
                                           " (qzrender supports scalar, integer and color)");
    throw SceneError(token.location, std::string("expected a ") + role + " type, found " + token.describe());
  }

  void readLink() {
    const Token name = expect(Token::Kind::String, "a library name in double quotes");
    if (scene_.links.size() >= kMaxLinks)
      throw SceneError(name.location, "more than " + std::to_string(kMaxLinks) + " link statements");
    const std::string path = libraries_.find(name.text);
    if (path.empty())
      throw SceneError(name.location,
                       "cannot find library \"" + name.text + "\" (searched " + libraries_.describe() + ")");
    scene_.links.push_back({path, name.location});
  }

  void readDeclaration() {
    expectWord("shader");
    Declaration declaration;
    declaration.result = readType("result");
    const Token name = expect(Token::Kind::String, "the shader's name in double quotes");
    declaration.name = name.text;
    declaration.location = name.location;
    readList([&] { readParameterDeclaration(declaration); });
    readDeclarationOptions(declaration);
    addDeclaration(std::move(declaration));
  }

  void readParameterDeclaration(Declaration &declaration) {
    ParameterDeclaration parameter;
    parameter.type = readType("parameter");
    const Token name = expect(Token::Kind::String, "the parameter's name in double quotes");
    parameter.name = name.text;
    parameter.location = name.location;
    if (declaration.find(name.text) >= 0)
      throw SceneError(name.location, "parameter \"" + name.text + "\" is declared twice");
    if (declaration.parameters.size() >= kMaxParameters)
      throw SceneError(name.location, "more than " + std::to_string(kMaxParameters) + " parameters in one declaration");
    const Token &next = tokens_.peek();
    if (next.kind == Token::Kind::Word && next.text == "default") {
      tokens_.next();
      parameter.defaultValue = readValue(tokens_, parameter.type, "the default of \"" + name.text + "\"");
    }
    declaration.parameters.push_back(std::move(parameter));
  }

  void readDeclarationOptions(Declaration &declaration) {
    while (true) {
      const Token option = expect(Token::Kind::Word, "version, apply or end declare");
      if (option.text == "end") {
        expectWord("declare");
        return;
      }
      if (option.text == "version") {
        const Token number = expect(Token::Kind::Number, "a version number");
        if (!number.integer || number.text.size() > 9 || number.text[0] == '-')
          throw SceneError(number.location, "version must be a whole number from 0 to 999999999");
        declaration.version = std::stoi(number.text);
      } else if (option.text == "apply") {
        do
          declaration.apply.push_back(expect(Token::Kind::Word, "a shader kind after apply").text);
        while (tokens_.peek().kind == Token::Kind::Comma && (tokens_.next(), true));
      } else {
        throw SceneError(option.location,
                         "unknown declaration option " + option.describe() + " (qzrender reads version and apply)");
      }
    }
  }

  static bool sameSignature(const Declaration &a, const Declaration &b) {
    if (a.result != b.result || a.version != b.version || a.parameters.size() != b.parameters.size())
      return false;
    for (size_t i = 0; i < a.parameters.size(); ++i)
      if (a.parameters[i].name != b.parameters[i].name || a.parameters[i].type != b.parameters[i].type ||
          a.parameters[i].defaultValue != b.parameters[i].defaultValue)
        return false;
    return true;
  }

  // Reading the same declaration twice (a file included twice) is harmless;
  // a different one under the same name is not.
  void addDeclaration(Declaration declaration) {
    const int existing = scene_.findDeclaration(declaration.name);
    if (existing >= 0) {
      const Declaration &first = scene_.declarations[existing];
      if (!sameSignature(first, declaration))
        throw SceneError(declaration.location, "shader \"" + declaration.name +
                                                   "\" is declared again, differently (first at " +
                                                   first.location.describe() + ")");
      return;
    }
    scene_.declarations.push_back(std::move(declaration));
  }

  void readInstance() {
    const Token name = expect(Token::Kind::String, "the instance's name in double quotes");
    const Token shader = expect(Token::Kind::String, "the declared shader's name in double quotes");
    const int existing = scene_.findInstance(name.text);
    if (existing >= 0)
      throw SceneError(name.location, "instance \"" + name.text + "\" is defined twice (first at " +
                                          scene_.instances[existing].location.describe() + ")");
    if (scene_.instances.size() >= kMaxInstances)
      throw SceneError(name.location, "more than " + std::to_string(kMaxInstances) + " shader instances");
    Instance instance;
    instance.name = name.text;
    instance.location = name.location;
    instance.declaration = scene_.findDeclaration(shader.text);
    if (instance.declaration < 0)
      throw SceneError(shader.location, "shader \"" + shader.text + "\" is not declared");
    readList([&] { readAssignment(instance); });
    scene_.instances.push_back(std::move(instance));
  }

  void readAssignment(Instance &instance) {
    const Declaration &declaration = scene_.declarations[instance.declaration];
    const Token name = expect(Token::Kind::String, "a parameter name in double quotes");
    Assignment assignment;
    assignment.location = name.location;
    assignment.parameter = declaration.find(name.text);
    if (assignment.parameter < 0)
      throw SceneError(name.location, "shader \"" + declaration.name + "\" has no parameter \"" + name.text + "\"");
    if (instance.find(assignment.parameter))
      throw SceneError(name.location, "parameter \"" + name.text + "\" is given twice");
    if (tokens_.peek().kind == Token::Kind::Equals) {
      tokens_.next();
      const Token source = expect(Token::Kind::String, "an instance name in double quotes after '='");
      assignment.connected = true;
      assignment.source = source.text;
      assignment.sourceLocation = source.location;
    } else {
      const ParameterDeclaration &parameter = declaration.parameters[assignment.parameter];
      assignment.value = readValue(tokens_, parameter.type, "parameter \"" + name.text + "\"");
    }
    instance.assignments.push_back(std::move(assignment));
  }

  Scene &scene_;
  TokenStream &tokens_;
  const SearchPath &libraries_;
};

} // namespace

Scene readScene(const std::string &path, const SearchPath &libraries, const SearchPath &includes) {
  Scene scene;
  scene.path = path;
  TokenStream tokens(path, includes);
  Parser(scene, tokens, libraries).run();
  return scene;
}

} // namespace qzscene
