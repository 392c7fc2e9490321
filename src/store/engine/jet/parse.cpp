/*
 * The Jet front end (see tree.h): a recursive-descent reader over the statement's
 * tokens. It never backtracks further than one operator, so reading is linear in the
 * length of the text; where it meets something it does not know, it keeps the token as
 * written and reads on, and the target engine judges it.
 */
#include "store/engine/jet/tree.h"

#include "store/engine/native.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <iterator>

namespace kavdb::engine::jet {

namespace {

/* Jet refuses expressions nested deeper than this ("Expression too complex"), and SQLite
 * expression trees deeper than 1000; the bounds also keep the recursion here short. */
constexpr int kMaxNesting = 200;
constexpr int kMaxTreeDepth = 900;

/* Jet's operator precedence, loosest first. */
enum Prec : int {
    kImp = 1,
    kEqv,
    kXor,
    kOr,
    kAnd,
    kNot,
    kCompare,
    kCat,
    kAdd,
    kMod,
    kIntDiv,
    kMul,
    kPow
};

/* What a stretch read token by token stops at. */
enum Stop : unsigned { kComma = 1, kParen = 2, kClause = 4, kSet = 8 };

using T = Type;
const std::vector<JetFunction> kFunctions = {
    {"Abs", 1, 1, T::Number, false},       {"Asc", 1, 1, T::Number, false},
    {"Avg", 1, 1, T::Number, true},        {"CDbl", 1, 1, T::Number, false},
    {"Choose", 2, 255, T::Unknown, false}, {"Chr", 1, 1, T::Text, false},
    {"CInt", 1, 1, T::Number, false},      {"CLng", 1, 1, T::Number, false},
    {"Count", 1, 1, T::Number, true},      {"CStr", 1, 1, T::Text, false},
    {"Date", 0, 0, T::Text, false},        {"DateAdd", 3, 3, T::Text, false},
    {"DateDiff", 3, 5, T::Number, false},  {"DatePart", 2, 4, T::Number, false},
    {"DateSerial", 3, 3, T::Text, false},  {"Day", 1, 1, T::Number, false},
    {"First", 1, 1, T::Unknown, true},     {"Fix", 1, 1, T::Number, false},
    {"Format", 1, 2, T::Text, false},      {"Hour", 1, 1, T::Number, false},
    {"IIf", 3, 3, T::Unknown, false},      {"InStr", 2, 4, T::Number, false},
    {"InStrRev", 2, 4, T::Number, false},  {"Int", 1, 1, T::Number, false},
    {"IsNull", 1, 1, T::Bool, false},      {"Last", 1, 1, T::Unknown, true},
    {"LCase", 1, 1, T::Text, false},       {"Left", 2, 2, T::Text, false},
    {"Len", 1, 1, T::Number, false},       {"LTrim", 1, 1, T::Text, false},
    {"Max", 1, 1, T::Unknown, true},       {"Mid", 2, 3, T::Text, false},
    {"Min", 1, 1, T::Unknown, true},       {"Minute", 1, 1, T::Number, false},
    {"Month", 1, 1, T::Number, false},     {"Now", 0, 0, T::Text, false},
    {"Nz", 1, 2, T::Unknown, false},       {"Replace", 3, 3, T::Text, false},
    {"Right", 2, 2, T::Text, false},       {"Round", 1, 2, T::Number, false},
    {"RTrim", 1, 1, T::Text, false},       {"Second", 1, 1, T::Number, false},
    {"Sgn", 1, 1, T::Number, false},       {"Space", 1, 1, T::Text, false},
    {"StDev", 1, 1, T::Number, true},      {"StDevP", 1, 1, T::Number, true},
    {"StrComp", 2, 3, T::Number, false},   {"String", 2, 2, T::Text, false},
    {"Sum", 1, 1, T::Number, true},        {"Switch", 2, 254, T::Unknown, false},
    {"Trim", 1, 1, T::Text, false},        {"UCase", 1, 1, T::Text, false},
    {"Val", 1, 1, T::Number, false},       {"Var", 1, 1, T::Number, true},
    {"VarP", 1, 1, T::Number, true},       {"Weekday", 1, 2, T::Number, false},
    {"Year", 1, 1, T::Number, false},
};

bool isClauseWord(const Token& t)
{
    return isKeywordIn(t, {"FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INTO"});
}

/* Words that never begin an expression: where one stands, the statement reads on token
 * by token (Jet's own functions among them, LEFT and RIGHT, are called before a '('). */
bool isReserved(const Token& t)
{
    return isClauseWord(t) ||
           isKeywordIn(
               t,
               {"SELECT",  "AS",     "ON",      "JOIN",       "INNER",    "OUTER",       "LEFT",
                "RIGHT",   "CROSS",  "FULL",    "ALL",        "DISTINCT", "DISTINCTROW", "TOP",
                "PERCENT", "VALUES", "SET",     "ASC",        "DESC",     "AND",         "OR",
                "XOR",     "EQV",    "IMP",     "MOD",        "LIKE",     "ALIKE",       "IN",
                "BETWEEN", "IS",     "ESCAPE",  "INSERT",     "UPDATE",   "DELETE",      "CREATE",
                "DROP",    "ALTER",  "TABLE",   "INDEX",      "COLUMN",   "CONSTRAINT",  "PRIMARY",
                "KEY",     "UNIQUE", "FOREIGN", "REFERENCES", "ADD",      "WITH",        "CASE",
                "WHEN",    "THEN",   "ELSE",    "END",        "DEFAULT",  "BY"});
}

int functionOf(const Token& t)
{
    for (std::size_t i = 0; i < kFunctions.size(); ++i) {
        if (equalsIgnoreCase(kFunctions[i].name, t.text)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

struct Infix {
    int prec = 0;
    Kind kind = Kind::Binary;
    Op op = Op::None;
    bool negated = false;
};

/* The operator at t (NOT LIKE, NOT IN and NOT BETWEEN take two words). */
Infix infixOf(const Token& t, const Token* next)
{
    static constexpr std::pair<std::string_view, Infix> ops[] = {
        {"&", {kCat, Kind::Binary, Op::Cat}},     {"+", {kAdd, Kind::Binary, Op::Add}},
        {"-", {kAdd, Kind::Binary, Op::Sub}},     {"*", {kMul, Kind::Binary, Op::Mul}},
        {"/", {kMul, Kind::Binary, Op::Div}},     {"\\", {kIntDiv, Kind::Binary, Op::IntDiv}},
        {"^", {kPow, Kind::Binary, Op::Pow}},     {"=", {kCompare, Kind::Binary, Op::Eq}},
        {"==", {kCompare, Kind::Binary, Op::Eq}}, {"<>", {kCompare, Kind::Binary, Op::Ne}},
        {"!=", {kCompare, Kind::Binary, Op::Ne}}, {"<", {kCompare, Kind::Binary, Op::Lt}},
        {"<=", {kCompare, Kind::Binary, Op::Le}}, {">", {kCompare, Kind::Binary, Op::Gt}},
        {">=", {kCompare, Kind::Binary, Op::Ge}}, {"MOD", {kMod, Kind::Binary, Op::Mod}},
        {"AND", {kAnd, Kind::Binary, Op::And}},   {"OR", {kOr, Kind::Binary, Op::Or}},
        {"XOR", {kXor, Kind::Binary, Op::Xor}},   {"EQV", {kEqv, Kind::Binary, Op::Eqv}},
        {"IMP", {kImp, Kind::Binary, Op::Imp}},   {"LIKE", {kCompare, Kind::Like}},
        {"ALIKE", {kCompare, Kind::Like}},        {"IN", {kCompare, Kind::In}},
        {"BETWEEN", {kCompare, Kind::Between}},   {"IS", {kCompare, Kind::IsNull}},
    };
    bool negated = isKeyword(t, "NOT") && next != nullptr;
    const Token& op = negated ? *next : t;
    for (const auto& [text, in] : ops) {
        bool matches = op.kind == Tok::Punct ? op.text == text : isKeyword(op, text);
        if (matches && (!negated || in.kind == Kind::Like || in.kind == Kind::In ||
                        in.kind == Kind::Between)) {
            return {in.prec, in.kind, in.op, negated};
        }
    }
    return {};
}

class Parser {
  public:
    explicit Parser(Statement& s) : s_(s), t_(s.tokens) {}

    void statement();

  private:
    /* Counts nesting for the length of one reading step. */
    struct Nesting {
        explicit Nesting(int& n) : n_(n)
        {
            if (++n_ > kMaxNesting) {
                raiseEngine(code::kSyntax, "Expression too complex in query expression.");
            }
        }
        ~Nesting() { --n_; }
        int& n_;
    };

    bool atEnd() const { return pos_ >= t_.size(); }
    bool word(std::string_view w, std::size_t ahead = 0) const
    {
        return pos_ + ahead < t_.size() && isKeyword(t_[pos_ + ahead], w);
    }
    bool punct(std::string_view p, std::size_t ahead = 0) const
    {
        return pos_ + ahead < t_.size() && isPunct(t_[pos_ + ahead], p);
    }
    /* A name at pos: any identifier, or a word that is not reserved. */
    bool nameAt(std::size_t ahead = 0) const
    {
        const Token* t = pos_ + ahead < t_.size() ? &t_[pos_ + ahead] : nullptr;
        return t != nullptr && (t->kind == Tok::Ident || (t->kind == Tok::Word && !isReserved(*t)));
    }
    bool accept(std::string_view w)
    {
        bool ok = word(w) || punct(w);
        pos_ += ok ? 1 : 0;
        return ok;
    }
    uint32_t take() { return static_cast<uint32_t>(pos_++); }
    bool stopsAt(unsigned stops) const
    {
        return atEnd() || ((stops & kComma) != 0 && punct(",")) ||
               ((stops & kParen) != 0 && punct(")")) ||
               ((stops & kClause) != 0 && isClauseWord(t_[pos_])) ||
               ((stops & kSet) != 0 && word("SET"));
    }

    /* Adds a node; what its kids hold (file names, aggregates, depth) it holds too. */
    int add(Node n)
    {
        for (int k : n.kids) {
            const Node& kid = s_.node(k);
            n.exact = n.exact || kid.exact;
            n.aggregate = n.aggregate || kid.aggregate;
            n.depth = std::max(n.depth, kid.depth + 1);
        }
        if (n.depth > kMaxTreeDepth) {
            raiseEngine(code::kSyntax, "Expression too complex in query expression.");
        }
        s_.nodes.push_back(std::move(n));
        return static_cast<int>(s_.nodes.size() - 1);
    }
    int make(Kind kind, std::vector<int> kids, Type type = Type::Unknown, Op op = Op::None)
    {
        Node n;
        n.kind = kind;
        n.type = type;
        n.op = op;
        n.kids = std::move(kids);
        return add(std::move(n));
    }
    int leaf(Kind kind, Type type = Type::Unknown)
    {
        Node n;
        n.kind = kind;
        n.type = type;
        n.tok = n.last = take();
        return add(std::move(n));
    }
    int raw() { return leaf(Kind::Token); }
    int tokenAt(std::size_t i)
    {
        Node n;
        n.tok = n.last = static_cast<uint32_t>(i);
        return add(std::move(n));
    }
    Node& at(int id) { return s_.nodes[static_cast<std::size_t>(id)]; }

    int expr(int minPrec = kImp);
    int prefix();
    int infix(const Infix& in, int left);
    int binary(Op op, int left, int right);
    int strCompEquality(Op op, int left, int right);
    int primary();
    int name();
    int call();
    int paren();
    std::vector<int> items();
    int seq(unsigned stops);
    int condition(unsigned stops);

    int select();
    int core();
    int from(unsigned stops);

    bool update();
    bool remove();
    bool createTable();
    bool createIndex();
    bool alterTable();
    bool columnDef(ColumnDef& c);
    bool indexColumns();
    int ddlRest(const std::string& column);
    bool foreignKey(ForeignKey& key, const std::string& column);

    Statement& s_;
    const Tokens& t_;
    std::size_t pos_ = 0;
    int nesting_ = 0;
};

int Parser::expr(int minPrec)
{
    Nesting nesting(nesting_);
    int left = prefix();
    while (left >= 0 && !atEnd()) {
        Infix in = infixOf(t_[pos_], pos_ + 1 < t_.size() ? &t_[pos_ + 1] : nullptr);
        if (in.prec == 0 || in.prec < minPrec) {
            break;
        }
        std::size_t save = pos_;
        pos_ += in.negated ? 2 : 1;
        int made = infix(in, left);
        if (made < 0) {
            pos_ = save; // the operator stays for whoever reads on
            break;
        }
        left = made;
    }
    return left;
}

int Parser::prefix()
{
    std::size_t save = pos_;
    if (word("NOT") || punct("-") || punct("+")) {
        bool logical = word("NOT");
        bool negate = punct("-");
        ++pos_;
        int operand = expr(logical ? kNot : kPow);
        if (operand < 0) {
            pos_ = save;
        }
        return operand < 0 || (!logical && !negate)
                   ? operand
                   : make(Kind::Unary, {operand}, logical ? Type::Bool : Type::Number,
                          logical ? Op::Not : Op::Neg);
    }
    if (word("EXISTS") && punct("(", 1) && word("SELECT", 2)) {
        ++pos_;
        return make(Kind::Exists, {paren()}, Type::Bool);
    }
    return primary();
}

int Parser::infix(const Infix& in, int left)
{
    int made = -1;
    bool negated = in.negated;
    if (in.kind == Kind::Binary) {
        int right = expr(in.prec + 1);
        return right < 0 ? -1 : binary(in.op, left, right);
    }
    if (in.kind == Kind::Like) {
        int pattern = expr(kCat);
        if (word("ESCAPE")) {
            raiseEngine(code::kSyntax, "Jet patterns have no ESCAPE clause; write [%] or [_].");
        }
        made = pattern < 0 ? -1 : make(Kind::Like, {left, pattern}, Type::Bool);
    } else if (in.kind == Kind::In && punct("(")) {
        made = make(Kind::In, {left, paren()}, Type::Bool);
    } else if (in.kind == Kind::Between) {
        std::size_t op = pos_ - 1;
        int low = expr(kCat);
        int high = low >= 0 && accept("AND") ? expr(kCat) : -1;
        if (low >= 0 && high < 0) { // kept as read: reading it again could cost as much
            std::vector<int> kids = {left, tokenAt(op), low};
            if (isKeyword(t_[pos_ - 1], "AND")) {
                kids.push_back(tokenAt(pos_ - 1));
            }
            return make(Kind::Seq, std::move(kids));
        }
        made = high < 0 ? -1 : make(Kind::Between, {left, low, high}, Type::Bool);
    } else if (in.kind == Kind::IsNull) {
        negated = accept("NOT");
        made = accept("NULL") ? make(Kind::IsNull, {left}, Type::Bool) : -1;
    }
    if (made >= 0) {
        at(made).negated = negated;
    }
    return made;
}

int Parser::binary(Op op, int left, int right)
{
    if (int rewritten = strCompEquality(op, left, right); rewritten >= 0) {
        return rewritten;
    }
    Type l = s_.node(left).type;
    Type r = s_.node(right).type;
    Type type = op >= Op::And ? Type::Bool : Type::Number;
    if (op == Op::Cat) {
        type = Type::Text;
    } else if (op == Op::Add || op == Op::Sub) {
        bool same = l == r && (l == Type::Number || (l == Type::Text && op == Op::Add));
        type = same ? l : Type::Unknown; // a text and a number may add up to a date
    }
    return make(Kind::Binary, {left, right}, type, op);
}

/* StrComp(a, b[, 0 or 1]) = 0 (or <> 0) is a comparison of a and b with the collation
 * StrComp was told, which an index on a can serve. -1 for any other shape. */
int Parser::strCompEquality(Op op, int left, int right)
{
    const Node& call = s_.node(left);
    const Node& zero = s_.node(right);
    if ((op != Op::Eq && op != Op::Ne) || call.fn < 0 ||
        std::string_view(kFunctions[static_cast<std::size_t>(call.fn)].name) != "StrComp" ||
        zero.kind != Kind::Literal || t_[zero.tok].text != "0") {
        return -1;
    }
    std::string_view mode = call.kids.size() == 3 ? t_[s_.node(call.kids[2]).tok].text : "1";
    if (call.kids.size() == 3 &&
        (s_.node(call.kids[2]).kind != Kind::Literal || (mode != "0" && mode != "1"))) {
        return -1;
    }
    int made = make(Kind::Binary, {call.kids[0], call.kids[1]}, Type::Bool, op);
    at(made).collate = mode == "0" ? Collate::Binary : Collate::NoCase;
    return made;
}

int Parser::primary()
{
    if (atEnd()) {
        return -1;
    }
    const Token& t = t_[pos_];
    if (t.kind == Tok::Number) {
        return leaf(Kind::Literal, Type::Number);
    }
    if (t.kind == Tok::String || t.kind == Tok::Date) {
        return leaf(Kind::Literal, Type::Text);
    }
    if (t.kind == Tok::Word && (isKeywordIn(t, {"NULL", "TRUE", "FALSE"}))) {
        return leaf(Kind::Literal, isKeyword(t, "NULL") ? Type::Unknown : Type::Number);
    }
    if (t.kind == Tok::Word && punct("(", 1) && (!isReserved(t) || functionOf(t) >= 0)) {
        return call();
    }
    if (nameAt()) {
        return name();
    }
    if (isPunct(t, "(")) {
        return paren();
    }
    if (isPunct(t, "*")) {
        return leaf(Kind::Literal);
    }
    if (!isPunct(t, "?")) {
        return -1;
    }
    int param = leaf(Kind::Param); // ?N: the number written right after it
    if (!atEnd() && t_[pos_].kind == Tok::Number && t_[pos_].text.data() == t.text.data() + 1) {
        at(param).last = take();
    }
    return param;
}

int Parser::name()
{
    int n = leaf(Kind::Name);
    while (punct(".") && pos_ + 1 < t_.size() &&
           (isNameToken(t_[pos_ + 1]) || isPunct(t_[pos_ + 1], "*"))) {
        pos_ += 2;
    }
    at(n).last = static_cast<uint32_t>(pos_ - 1);
    at(n).exact = isExactName(identName(t_[pos_ - 1]));
    return n;
}

int Parser::call()
{
    uint32_t tok = take();
    ++pos_; // '('
    int fn = functionOf(t_[tok]);
    int n = make(Kind::Call, items(),
                 fn >= 0 ? kFunctions[static_cast<std::size_t>(fn)].type : Type::Unknown);
    Node& c = at(n);
    c.tok = c.last = tok;
    c.fn = fn;
    if (fn >= 0) {
        const JetFunction& f = kFunctions[static_cast<std::size_t>(fn)];
        if (c.kids.size() < f.minArgs || c.kids.size() > f.maxArgs) {
            raiseEngine(code::kSyntax, "Wrong number of arguments used with function in query "
                                       "expression '" +
                                           std::string(f.name) + "'.");
        }
        c.aggregate = c.aggregate || f.aggregate;
    }
    return n;
}

/* At '(': a subquery, or a List (of one item: a parenthesised expression). */
int Parser::paren()
{
    Nesting nesting(nesting_);
    ++pos_;
    if (word("SELECT")) {
        int query = select();
        accept(")");
        return query;
    }
    std::vector<int> list = items();
    Type type = list.size() == 1 ? s_.node(list[0]).type : Type::Unknown;
    return make(Kind::List, std::move(list), type);
}

/* The items of a parenthesised list, up to and past its ')'. */
std::vector<int> Parser::items()
{
    std::vector<int> out;
    while (!atEnd() && !punct(")")) {
        out.push_back(seq(kComma | kParen));
        accept(",");
    }
    accept(")");
    return out;
}

/* A stretch up to a stop, each expression in it read as one; a stretch that is one
 * expression is that expression. */
int Parser::seq(unsigned stops)
{
    std::vector<int> kids;
    while (!stopsAt(stops)) {
        if (word("SELECT")) {
            kids.push_back(select());
            at(kids.back()).bare = true;
        } else if (isKeywordIn(t_[pos_], {"WHERE", "ON", "HAVING", "WHEN"})) {
            kids.push_back(raw());
            kids.push_back(condition(stops));
        } else if (word("INTO") && nameAt(1)) {
            kids.push_back(raw());
            kids.push_back(name());
        } else {
            int e = expr();
            kids.push_back(e >= 0 ? e : raw());
        }
    }
    if (kids.size() == 1 && s_.node(kids[0]).kind != Kind::Token) {
        return kids[0];
    }
    return make(Kind::Seq, std::move(kids));
}

int Parser::condition(unsigned stops)
{
    int e = expr();
    return make(Kind::Cond, {e >= 0 ? e : seq(stops | kClause | kParen)}, Type::Bool);
}

/* SELECT ... [UNION [ALL] SELECT ...] [ORDER BY ...], as a Query. */
int Parser::select()
{
    Nesting nesting(nesting_);
    int head = core();
    for (int last = head;
         word("UNION") && (word("SELECT", 1) || (word("ALL", 1) && word("SELECT", 2)));) {
        ++pos_;
        bool all = accept("ALL");
        int next = core();
        s_.selects[static_cast<std::size_t>(last)].next = next;
        s_.selects[static_cast<std::size_t>(last)].unionAll = all;
        last = next;
    }
    if (word("ORDER") && word("BY", 1)) {
        pos_ += 2;
        do {
            int term = expr();
            term = term >= 0 ? term : seq(kComma | kParen | kClause);
            bool descending = word("DESC");
            pos_ += word("ASC") || descending ? 1 : 0;
            s_.selects[static_cast<std::size_t>(head)].orderBy.push_back(term);
            s_.selects[static_cast<std::size_t>(head)].descending.push_back(descending);
        } while (accept(","));
    }
    int query = make(Kind::Query, {});
    at(query).sub = head;
    return query;
}

int Parser::core()
{
    std::size_t at = s_.selects.size();
    s_.selects.emplace_back();
    auto sel = [&]() -> Select& { return s_.selects[at]; };
    ++pos_; // SELECT
    if (!atEnd() && isKeywordIn(t_[pos_], {"ALL", "DISTINCT", "DISTINCTROW"})) {
        sel().quantifier = take();
    }
    if (word("TOP") && pos_ + 1 < t_.size() && t_[pos_ + 1].kind == Tok::Number) {
        sel().top = static_cast<uint32_t>(pos_ + 1);
        pos_ += 2;
        sel().percent = accept("PERCENT");
    }
    do {
        int item = expr();
        item = item >= 0 ? item : seq(kComma | kParen | kClause);
        bool alias = (accept("AS") && !atEnd() && isNameToken(t_[pos_])) || nameAt();
        sel().items.push_back(item);
        sel().aliases.push_back(alias ? take() : 0);
    } while (accept(","));
    int part = -1;
    if (accept("INTO") && nameAt()) {
        part = name();
        sel().into = part;
    }
    if (accept("FROM")) {
        part = from(kClause | kParen);
        sel().from = part;
    }
    if (accept("WHERE")) {
        part = condition(kClause);
        sel().where = part;
    }
    if (word("GROUP") && word("BY", 1)) {
        pos_ += 2;
        do {
            part = seq(kComma | kParen | kClause);
            sel().groupBy.push_back(part);
        } while (accept(","));
    }
    if (accept("HAVING")) {
        part = condition(kClause);
        sel().having = part;
    }
    return static_cast<int>(at);
}

/* A FROM list as written: table names as Names, aliases and join words as Tokens, ON
 * conditions as Conds, subqueries as Queries. */
int Parser::from(unsigned stops)
{
    std::vector<int> kids;
    int depth = 0;
    bool afterTable = false;
    while (!(depth == 0 ? stopsAt(stops) : atEnd())) {
        bool table = false;
        if (punct("(") && word("SELECT", 1)) {
            kids.push_back(paren());
            table = true;
        } else if (word("ON")) {
            kids.push_back(raw());
            kids.push_back(condition(kClause | kParen));
        } else if (word("AS") && pos_ + 1 < t_.size() && isNameToken(t_[pos_ + 1])) {
            kids.push_back(raw());
            kids.push_back(raw());
        } else if (nameAt()) {
            kids.push_back(afterTable ? raw() : name());
            table = !afterTable;
        } else {
            depth += punct("(") ? 1 : punct(")") ? -1 : 0;
            kids.push_back(raw());
        }
        afterTable = table;
    }
    return make(Kind::Seq, std::move(kids));
}

bool Parser::update()
{
    ++pos_;
    s_.table = from(kSet | kClause);
    if (!accept("SET")) {
        return false;
    }
    do {
        int column = nameAt() ? name() : -1;
        int value = column >= 0 && accept("=") ? expr() : -1;
        if (value < 0) {
            return false;
        }
        s_.sets.emplace_back(column, value);
    } while (accept(","));
    s_.where = accept("WHERE") ? condition(0) : -1;
    s_.verb = Verb::Update;
    return true;
}

bool Parser::remove()
{
    ++pos_;
    if (!accept("*") && nameAt()) {
        s_.target = name();
    }
    if (!accept("FROM")) {
        return false;
    }
    s_.table = from(kClause);
    s_.where = accept("WHERE") ? condition(0) : -1;
    s_.verb = Verb::Delete;
    return true;
}

/* name type [(size [, step])] rest, up to the next ',' or ')'. */
bool Parser::columnDef(ColumnDef& c)
{
    if (atEnd() || !isNameToken(t_[pos_]) || pos_ + 1 >= t_.size() ||
        t_[pos_ + 1].kind != Tok::Word) {
        return false;
    }
    c.name = take();
    c.type = typeClassOf(t_[pos_].text);
    if (c.type == TypeClass::Unknown) {
        raiseEngine(code::kSyntax, "Syntax error in field definition: no type '" +
                                       std::string(t_[pos_].text) + "'.");
    }
    ++pos_;
    if (accept("(")) {
        int sizes[2] = {0, 1}; // a size, or a counter's seed and step
        for (int i = 0; i < 2 && !atEnd() && t_[pos_].kind == Tok::Number; ++i) {
            sizes[i] = std::atoi(std::string(t_[pos_++].text).c_str());
            if (!accept(",")) {
                break;
            }
        }
        if (!accept(")") || (c.type == TypeClass::Counter && (sizes[0] != 1 || sizes[1] != 1))) {
            raiseEngine(code::kSyntax,
                        "A counter here starts at 1 and steps by 1; a seed or a step "
                        "of its own has no translation.");
        }
        c.size = c.type == TypeClass::Counter ? 0 : sizes[0];
    }
    c.rest = ddlRest(identName(t_[c.name]));
    return true;
}

/* What follows a column's type, or a table constraint, up to ',' or ')': tokens as
 * written, DEFAULT's value and CHECK's condition read as expressions, a key the column
 * refers by collected, Jet's storage option WITH COMPRESSION left out. */
int Parser::ddlRest(const std::string& column)
{
    std::vector<int> kids;
    while (!stopsAt(kComma | kParen)) {
        if (word("WITH") && (word("COMPRESSION", 1) || word("COMP", 1))) {
            pos_ += 2;
        } else if (word("REFERENCES") || word("FOREIGN")) {
            ForeignKey key;
            std::size_t n = kids.size();
            if (n >= 2 && isKeyword(t_[s_.node(kids[n - 2]).tok], "CONSTRAINT")) {
                key.name = identName(t_[s_.node(kids[n - 1]).tok]);
                kids.resize(n - 2);
            }
            if (!foreignKey(key, column)) {
                raiseEngine(code::kSyntax, "Syntax error in CONSTRAINT clause.");
            }
            s_.keys.push_back(key);
        } else if (punct("(")) {
            kids.push_back(paren());
        } else {
            bool value = word("DEFAULT");
            kids.push_back(raw());
            if (int e = value ? expr() : -1; e >= 0) {
                kids.push_back(e);
            }
        }
    }
    return make(Kind::Seq, std::move(kids));
}

/* [FOREIGN KEY (c)] REFERENCES parent (k) [ON UPDATE|DELETE CASCADE|RESTRICT|NO ACTION]...
 * column is the referring column when the clause belongs to one. */
bool Parser::foreignKey(ForeignKey& key, const std::string& column)
{
    auto nameOf = [&](std::string& out) {
        bool ok = !atEnd() && isNameToken(t_[pos_]);
        out = ok ? identName(t_[pos_++]) : "";
        return ok;
    };
    key.column = column;
    if (accept("FOREIGN") && !(accept("KEY") && accept("(") && nameOf(key.column) && accept(")"))) {
        return false;
    }
    if (!accept("REFERENCES") || !nameOf(key.parent) || !accept("(") || !nameOf(key.parentColumn) ||
        !accept(")") || key.column.empty()) {
        return false;
    }
    key.cascadeUpdate = false; // a statement-made key has no rule unless it names one
    while (accept("ON")) {
        bool update = accept("UPDATE");
        bool cascade = (update || accept("DELETE")) && accept("CASCADE");
        if (!cascade && !accept("RESTRICT") && !(accept("NO") && accept("ACTION"))) {
            return false;
        }
        (update ? key.cascadeUpdate : key.cascadeDelete) = cascade;
    }
    return true;
}

bool Parser::createTable()
{
    s_.temporary = accept("TEMPORARY") || accept("TEMP");
    if (!accept("TABLE") || !nameAt()) {
        return false;
    }
    s_.table = name();
    if (!accept("(")) {
        return false;
    }
    while (!atEnd() && !punct(")")) {
        ColumnDef c;
        if (!atEnd() &&
            isKeywordIn(t_[pos_], {"CONSTRAINT", "PRIMARY", "UNIQUE", "FOREIGN", "CHECK"})) {
            std::size_t keys = s_.keys.size();
            int rest = ddlRest("");
            if (s_.keys.size() == keys) {
                s_.constraints.push_back(rest);
            }
        } else if (columnDef(c)) {
            s_.columns.push_back(c);
        } else {
            return false;
        }
        accept(",");
    }
    for (ForeignKey& key : s_.keys) {
        key.child = identName(t_[s_.node(s_.table).last]);
    }
    s_.verb = Verb::CreateTable;
    return accept(")");
}

/* The parenthesised column list of an index (its names kept apart). */
bool Parser::indexColumns()
{
    if (!accept("(")) {
        return false;
    }
    s_.index.columns = make(Kind::List, items());
    for (int item : s_.node(s_.index.columns).kids) {
        // A name, alone or with ASC or DESC. Jet indexes no expression, where SQLite, which
        // the statement would otherwise reach as written, makes one.
        const Node& n = s_.node(item);
        const bool ordered = n.kind == Kind::Seq && n.kids.size() == 2 &&
                             isKeywordIn(t_[s_.node(n.kids[1]).tok], {"ASC", "DESC"});
        const Node& column = ordered ? s_.node(n.kids[0]) : n;
        if (column.kind != Kind::Name) {
            raiseEngine(code::kSyntax, "Syntax error in CREATE INDEX statement.");
        }
        s_.index.names.push_back(column.last);
    }
    s_.verb = Verb::CreateIndex;
    return true;
}

/* CREATE [UNIQUE] INDEX n ON t (columns) [WITH PRIMARY | DISALLOW NULL | IGNORE NULL] */
bool Parser::createIndex()
{
    IndexDef& x = s_.index;
    x.unique = accept("UNIQUE");
    if (!accept("INDEX") || !nameAt() || !word("ON", 1)) {
        return false;
    }
    x.name = take();
    ++pos_;
    s_.table = nameAt() ? name() : -1;
    if (s_.table < 0 || !indexColumns() || !accept("WITH")) {
        return s_.table >= 0 && s_.verb == Verb::CreateIndex;
    }
    x.primary = accept("PRIMARY");
    x.disallowNull = !x.primary && accept("DISALLOW") && accept("NULL");
    x.ignoreNull = !x.primary && !x.disallowNull && accept("IGNORE") && accept("NULL");
    return x.primary || x.disallowNull || x.ignoreNull;
}

bool Parser::alterTable()
{
    if (!accept("TABLE") || !nameAt()) {
        return false;
    }
    s_.table = name();
    std::string table = identName(t_[s_.node(s_.table).last]);
    s_.verb = accept("ALTER") ? Verb::AlterColumn : accept("ADD") ? Verb::AddColumns : Verb::Other;
    if (s_.verb == Verb::AlterColumn) {
        accept("COLUMN");
        s_.columns.emplace_back();
        return columnDef(s_.columns.back());
    }
    std::string constraint;
    if (s_.verb == Verb::AddColumns && accept("CONSTRAINT")) {
        s_.index.name = nameAt() ? take() : 0;
        constraint = s_.index.name != 0 ? identName(t_[s_.index.name]) : "";
        s_.verb = constraint.empty() ? Verb::Other : s_.verb;
    }
    if (s_.verb == Verb::AddColumns && word("FOREIGN")) {
        s_.verb = Verb::AddKeys;
        s_.keys.push_back(ForeignKey{constraint, table, "", "", "", false, false});
        return foreignKey(s_.keys.back(), "");
    }
    if (!constraint.empty()) { // ADD CONSTRAINT n PRIMARY KEY (...) or UNIQUE (...)
        s_.index.primary = accept("PRIMARY") && accept("KEY");
        s_.index.unique = s_.index.primary || accept("UNIQUE");
        return s_.index.unique && indexColumns();
    }
    accept("COLUMN");
    do {
        s_.columns.emplace_back();
    } while (s_.verb == Verb::AddColumns && columnDef(s_.columns.back()) && accept(","));
    return s_.verb == Verb::AddColumns && s_.columns.back().name != 0;
}

void Parser::statement()
{
    bool known = false;
    if (word("SELECT")) {
        s_.root = select();
        s_.verb = Verb::Select;
        known = true;
    } else if (word("UPDATE")) {
        known = update();
    } else if (word("DELETE")) {
        known = remove();
    } else if (word("CREATE")) {
        ++pos_;
        known = word("TABLE") || word("TEMPORARY") || word("TEMP") ? createTable() : createIndex();
    } else if (word("DROP") && word("INDEX", 1) && nameAt(2) && word("ON", 3) && nameAt(4)) {
        s_.index.name = static_cast<uint32_t>(pos_ + 2);
        pos_ += 4;
        s_.table = name();
        s_.verb = Verb::DropIndex;
        known = true;
    } else if (word("ALTER")) {
        ++pos_;
        known = alterTable();
    }
    if (!known) { // read as written, token by token
        Tokens tokens = std::move(s_.tokens);
        s_ = Statement{};
        s_.tokens = std::move(tokens);
        pos_ = 0;
        s_.root = seq(0);
    }
    if (!atEnd()) {
        s_.tail = seq(0);
    }
}

/* Jet runs exactly one statement per call, of a kind it knows, and has no comments: the
 * end of the one statement (a closing ';' may follow it), or a syntax error. A
 * transaction, an attachment or a pragma would reach past the one call's own work. */
std::size_t requireOneStatement(const Tokens& t)
{
    std::size_t first = nextSignificant(t, 0, t.size());
    if (first == t.size() || !(isKeywordIn(t[first], {"SELECT", "INSERT", "UPDATE", "DELETE",
                                                      "CREATE", "DROP", "ALTER", "TRANSFORM"}) ||
                               isPunct(t[first], "("))) {
        raiseEngine(code::kSyntax, "Invalid SQL statement; expected 'DELETE', 'INSERT', "
                                   "'PROCEDURE', 'SELECT', or 'UPDATE'.");
    }
    std::size_t end = t.size();
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (isComment(t[i])) {
            raiseEngine(code::kSyntax, "Syntax error: Jet SQL has no comments.");
        }
        if (end == t.size() && isPunct(t[i], ";")) {
            end = i;
        } else if (end < i && t[i].kind != Tok::Space) {
            raiseEngine(code::kSyntax, "Characters found after end of SQL statement.");
        }
    }
    return end;
}

} // namespace

const std::vector<JetFunction>& jetFunctions()
{
    return kFunctions;
}

Statement parseJet(std::string_view jet)
{
    Statement s;
    Tokens all = tokenize(jet, Flavor::Jet);
    std::size_t end = requireOneStatement(all);
    s.tokens.reserve(end / 2 + 1);
    std::copy_if(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(end),
                 std::back_inserter(s.tokens), [](const Token& t) { return t.kind != Tok::Space; });
    s.nodes.reserve(s.tokens.size() + 1); // about a node a token: the tree seldom moves
    Parser(s).statement();
    return s;
}

TypeClass typeClassOf(std::string_view word)
{
    static constexpr std::pair<TypeClass, std::string_view> words[] = {
        {TypeClass::Counter, " COUNTER AUTOINCREMENT IDENTITY "},
        {TypeClass::Text, " VARCHAR CHAR CHARACTER STRING ALPHANUMERIC NCHAR NVARCHAR "},
        {TypeClass::Memo, " TEXT LONGTEXT MEMO NOTE LONGCHAR NTEXT "},
        {TypeClass::Byte, " BYTE TINYINT INTEGER1 "},
        {TypeClass::Short, " SHORT SMALLINT INTEGER2 "},
        {TypeClass::Long, " LONG INT INTEGER INTEGER4 "},
        {TypeClass::Single, " SINGLE REAL FLOAT4 IEEESINGLE "},
        {TypeClass::Double, " DOUBLE FLOAT FLOAT8 IEEEDOUBLE NUMBER "},
        {TypeClass::DateTime, " DATETIME DATE TIME TIMESTAMP "},
        {TypeClass::Bit, " BIT YESNO LOGICAL LOGICAL1 BOOLEAN "},
        {TypeClass::Binary, " BINARY VARBINARY "},
        {TypeClass::LongBinary, " LONGBINARY GENERAL OLEOBJECT IMAGE BLOB "},
        {TypeClass::Currency, " CURRENCY MONEY "},
        {TypeClass::Decimal, " DECIMAL NUMERIC DEC "},
        {TypeClass::Guid, " GUID UNIQUEIDENTIFIER "},
    };
    std::string upper = " ";
    for (char c : word) {
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    }
    upper += ' ';
    for (const auto& [type, list] : words) {
        if (word.find(' ') == std::string_view::npos &&
            list.find(upper) != std::string_view::npos) {
            return type;
        }
    }
    return TypeClass::Unknown;
}

bool isExactName(std::string_view column)
{
    return equalsIgnoreCase(column, "Pathname") || equalsIgnoreCase(column, "Filename");
}

} // namespace kavdb::engine::jet
