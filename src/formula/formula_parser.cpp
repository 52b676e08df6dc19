#include "formula/formula_parser.h"

#include <charconv>
#include <cstdlib>

#include "ooxml/cell_reference.h"
#include "ooxml/formula_reference_lexer.h"

namespace tallyvane::formula {
namespace {

// Deeper nesting than any real formula; it keeps a hostile text from
// exhausting the stack.
constexpr int kMaxDepth = 100;

struct Token {
  enum class Type { Number, Text, Error, Reference, Identifier, Function, Operator, Open, Close, Comma, End };
  Type type = Type::End;
  std::string text;  // operator, identifier, function name, text literal
  double number = 0;
  ErrorCode error = ErrorCode::NA;
  ooxml::FormulaReference reference;
};

bool IsNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '\\' ||
         static_cast<unsigned char>(c) >= 0x80;
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '.' || c == '?' || c == '$'; }

std::string Upper(std::string_view s) {
  std::string r(s);
  for (char& c : r) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return r;
}

class Failure {
 public:
  explicit Failure(std::string why) : why_(std::move(why)) {}
  const std::string& why() const { return why_; }

 private:
  std::string why_;
};

// Splits the text into tokens; references come from the reference lexer.
class Tokenizer {
 public:
  explicit Tokenizer(std::string_view f) : f_(f), refs_(ooxml::FindFormulaReferences(f)) {}

  std::vector<Token> Run() {
    std::vector<Token> out;
    for (;;) {
      SkipBlanks();
      if (i_ >= f_.size()) break;
      out.push_back(Next());
    }
    out.push_back(Token{});
    return out;
  }

 private:
  void SkipBlanks() {
    while (i_ < f_.size() && (f_[i_] == ' ' || f_[i_] == '\n' || f_[i_] == '\r' || f_[i_] == '\t')) ++i_;
  }

  // The reference whose text (sheet prefix included) starts at i_, if any.
  const ooxml::FormulaReference* ReferenceHere() {
    while (next_ref_ < refs_.size() && refs_[next_ref_].end <= i_) ++next_ref_;
    if (next_ref_ >= refs_.size()) return nullptr;
    const ooxml::FormulaReference& r = refs_[next_ref_];
    if (r.begin == i_ && r.sheet.empty()) return &r;
    if (r.sheet.empty() || r.begin < 2 || f_[r.begin - 1] != '!') return nullptr;
    // The prefix runs from here to the "!" when nothing but it lies between.
    size_t j = i_;
    if (f_[j] == '\'') {
      for (++j; j < f_.size(); ++j) {
        if (f_[j] == '\'') {
          if (j + 1 < f_.size() && f_[j + 1] == '\'') {
            ++j;
            continue;
          }
          break;
        }
      }
      ++j;
    } else {
      while (j < f_.size() && (IsNameChar(f_[j]) || f_[j] == ':' || f_[j] == '[' || f_[j] == ']')) ++j;
    }
    return j + 1 == r.begin ? &r : nullptr;
  }

  Token Next() {
    Token t;
    if (const ooxml::FormulaReference* r = ReferenceHere()) {
      t.type = Token::Type::Reference;
      t.reference = *r;
      i_ = r->end;
      return t;
    }
    const char c = f_[i_];
    if (c == '"') return ReadText();
    if (c == '#') return ReadError();
    if ((c >= '0' && c <= '9') || (c == '.' && i_ + 1 < f_.size() && f_[i_ + 1] >= '0' && f_[i_ + 1] <= '9')) {
      return ReadNumber();
    }
    if (IsNameStart(c)) return ReadIdentifier();
    ++i_;
    switch (c) {
      case '(': t.type = Token::Type::Open; return t;
      case ')': t.type = Token::Type::Close; return t;
      case ',': t.type = Token::Type::Comma; return t;
      case '+':
      case '-':
      case '*':
      case '/':
      case '^':
      case '&':
      case '%':
      case '=':
        t.type = Token::Type::Operator;
        t.text = std::string(1, c);
        return t;
      case '<':
      case '>':
        t.type = Token::Type::Operator;
        t.text = std::string(1, c);
        if (i_ < f_.size() && (f_[i_] == '=' || (c == '<' && f_[i_] == '>'))) t.text += f_[i_++];
        return t;
      default: break;
    }
    if (c == '{') throw Failure("array constant");
    if (c == '[' || c == '\'') throw Failure("external or structured reference");
    throw Failure(std::string("unexpected character '") + c + "'");
  }

  Token ReadText() {
    Token t;
    t.type = Token::Type::Text;
    for (++i_;; ++i_) {
      if (i_ >= f_.size()) throw Failure("unterminated text");
      if (f_[i_] == '"') {
        if (i_ + 1 < f_.size() && f_[i_ + 1] == '"') {
          t.text += '"';
          ++i_;
          continue;
        }
        ++i_;
        return t;
      }
      t.text += f_[i_];
    }
  }

  Token ReadError() {
    Token t;
    t.type = Token::Type::Error;
    for (const char* e : {"#NULL!", "#DIV/0!", "#VALUE!", "#REF!", "#NAME?", "#NUM!", "#N/A"}) {
      std::string_view s(e);
      if (f_.substr(i_, s.size()).size() == s.size() && Upper(f_.substr(i_, s.size())) == s) {
        ErrorFromText(s, &t.error);
        i_ += s.size();
        return t;
      }
    }
    throw Failure("unknown error literal");
  }

  Token ReadNumber() {
    Token t;
    t.type = Token::Type::Number;
    size_t j = i_;
    while (j < f_.size() && ((f_[j] >= '0' && f_[j] <= '9') || f_[j] == '.')) ++j;
    if (j < f_.size() && (f_[j] == 'e' || f_[j] == 'E')) {
      size_t k = j + 1;
      if (k < f_.size() && (f_[k] == '+' || f_[k] == '-')) ++k;
      if (k < f_.size() && f_[k] >= '0' && f_[k] <= '9') {
        j = k;
        while (j < f_.size() && f_[j] >= '0' && f_[j] <= '9') ++j;
      }
    }
    std::string digits(f_.substr(i_, j - i_));
    char* end = nullptr;
    t.number = std::strtod(digits.c_str(), &end);
    if (end != digits.c_str() + digits.size()) throw Failure("malformed number");
    i_ = j;
    return t;
  }

  Token ReadIdentifier() {
    Token t;
    size_t j = i_;
    while (j < f_.size() && IsNameChar(f_[j])) ++j;
    t.text = Upper(f_.substr(i_, j - i_));
    i_ = j;
    if (i_ < f_.size() && (f_[i_] == '!' || f_[i_] == '[' || f_[i_] == ':')) {
      throw Failure("sheet-level name, structured or 3-D reference");
    }
    t.type = i_ < f_.size() && f_[i_] == '(' ? Token::Type::Function : Token::Type::Identifier;
    if (t.type == Token::Type::Function) ++i_;
    return t;
  }

  std::string_view f_;
  size_t i_ = 0;
  std::vector<ooxml::FormulaReference> refs_;
  size_t next_ref_ = 0;
};

std::unique_ptr<Node> MakeNode(Node::Type type) {
  auto n = std::make_unique<Node>();
  n->type = type;
  return n;
}

// Converts a lexed area into rows and columns, whole columns and rows spanning the sheet.
Area AreaOf(const ooxml::RefArea& a) {
  Area r;
  const ooxml::RefEnd& first = a.first;
  const ooxml::RefEnd& last = a.single ? a.first : a.last;
  r.first_row = first.row == 0 ? 1 : first.row;
  r.last_row = last.row == 0 ? ooxml::kMaxRows : last.row;
  r.first_column = first.column == 0 ? 1 : first.column;
  r.last_column = last.column == 0 ? ooxml::kMaxColumns : last.column;
  if (r.first_row > r.last_row) std::swap(r.first_row, r.last_row);
  if (r.first_column > r.last_column) std::swap(r.first_column, r.last_column);
  return r;
}

class Parser {
 public:
  explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  std::unique_ptr<Node> Run() {
    auto root = Comparison();
    if (Peek().type != Token::Type::End) throw Failure("unexpected text after the expression");
    return root;
  }

 private:
  const Token& Peek() const { return tokens_[pos_]; }
  bool PeekOperator(std::string_view op) const { return Peek().type == Token::Type::Operator && Peek().text == op; }

  std::unique_ptr<Node> Binary(std::string op, std::unique_ptr<Node> a, std::unique_ptr<Node> b) {
    auto n = MakeNode(Node::Type::Binary);
    n->op = std::move(op);
    n->children.push_back(std::move(a));
    n->children.push_back(std::move(b));
    return n;
  }

  template <typename Next>
  std::unique_ptr<Node> LeftAssociative(std::initializer_list<const char*> ops, Next next) {
    auto left = (this->*next)();
    for (;;) {
      const char* found = nullptr;
      for (const char* op : ops) {
        if (PeekOperator(op)) found = op;
      }
      if (!found) return left;
      ++pos_;
      left = Binary(found, std::move(left), (this->*next)());
    }
  }

  std::unique_ptr<Node> Comparison() {
    if (++depth_ > kMaxDepth) throw Failure("nested too deeply");
    auto n = LeftAssociative({"=", "<>", "<", ">", "<=", ">="}, &Parser::Concatenation);
    --depth_;
    return n;
  }
  std::unique_ptr<Node> Concatenation() { return LeftAssociative({"&"}, &Parser::Additive); }
  std::unique_ptr<Node> Additive() { return LeftAssociative({"+", "-"}, &Parser::Multiplicative); }
  std::unique_ptr<Node> Multiplicative() { return LeftAssociative({"*", "/"}, &Parser::Power); }
  std::unique_ptr<Node> Power() { return LeftAssociative({"^"}, &Parser::Percent); }

  std::unique_ptr<Node> Percent() {
    auto n = Unary();
    while (PeekOperator("%")) {
      ++pos_;
      auto p = MakeNode(Node::Type::Percent);
      p->children.push_back(std::move(n));
      n = std::move(p);
    }
    return n;
  }

  std::unique_ptr<Node> Unary() {
    if (PeekOperator("-") || PeekOperator("+")) {
      if (++depth_ > kMaxDepth) throw Failure("nested too deeply");
      auto n = MakeNode(Peek().text == "-" ? Node::Type::Negate : Node::Type::Plus);
      ++pos_;
      n->children.push_back(Unary());
      --depth_;
      return n;
    }
    return Primary();
  }

  std::unique_ptr<Node> Primary() {
    const Token& t = Peek();
    std::unique_ptr<Node> n;
    switch (t.type) {
      case Token::Type::Number:
        n = MakeNode(Node::Type::Literal);
        n->literal = FormulaValue::Number(t.number);
        break;
      case Token::Type::Text:
        n = MakeNode(Node::Type::Literal);
        n->literal = FormulaValue::Text(t.text);
        break;
      case Token::Type::Error:
        n = MakeNode(Node::Type::Literal);
        n->literal = FormulaValue::Error(t.error);
        break;
      case Token::Type::Reference: {
        if (t.reference.three_d || t.reference.external) throw Failure("3-D or external reference");
        n = MakeNode(Node::Type::Reference);
        n->sheet = t.reference.sheet;
        n->area = AreaOf(t.reference.area);
        break;
      }
      case Token::Type::Identifier:
        if (t.text == "TRUE" || t.text == "FALSE") {
          n = MakeNode(Node::Type::Literal);
          n->literal = FormulaValue::Boolean(t.text == "TRUE");
        } else {
          n = MakeNode(Node::Type::Name);
          n->name = t.text;
        }
        break;
      case Token::Type::Function: {
        ++pos_;
        return Call(t.text);
      }
      case Token::Type::Open: {
        ++pos_;
        n = Comparison();
        if (Peek().type != Token::Type::Close) throw Failure("missing closing parenthesis");
        break;
      }
      default: throw Failure("an operand is missing");
    }
    ++pos_;
    return n;
  }

  std::unique_ptr<Node> Call(std::string name) {
    if (++depth_ > kMaxDepth) throw Failure("nested too deeply");
    auto n = MakeNode(Node::Type::Call);
    if (name.rfind("_XLFN.", 0) == 0) name.erase(0, 6);
    n->name = std::move(name);
    if (Peek().type == Token::Type::Close) {
      ++pos_;
      --depth_;
      return n;
    }
    for (;;) {
      if (Peek().type == Token::Type::Comma || Peek().type == Token::Type::Close) {
        n->children.push_back(MakeNode(Node::Type::Missing));
      } else {
        n->children.push_back(Comparison());
      }
      if (Peek().type == Token::Type::Comma) {
        ++pos_;
        continue;
      }
      if (Peek().type != Token::Type::Close) throw Failure("missing closing parenthesis of " + n->name);
      ++pos_;
      --depth_;
      return n;
    }
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  int depth_ = 0;
};

}  // namespace

ParsedFormula ParseFormula(std::string_view text) {
  ParsedFormula result;
  try {
    result.root = Parser(Tokenizer(text).Run()).Run();
  } catch (const Failure& f) {
    result.failure = f.why();
  }
  return result;
}

}  // namespace tallyvane::formula
