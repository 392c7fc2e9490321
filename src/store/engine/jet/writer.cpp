/*
 * The Jet writer: one Jet statement's tree (tree.h), as the statements of an engine. It
 * decides what Jet means once for every engine; the Spelling a target gives it (target.h)
 * writes what engines spell their own way.
 */
#include "store/engine/jet/target.h"

#include "store/engine/jet/dates.h"
#include "store/engine/jet/dialect.h"
#include "store/engine/native.h"

#include <cstdlib>
#include <set>

namespace kavdb::engine::jet {

namespace {

/* A TOP with ORDER BY writes its FROM twice (the rows, and the count of them that rank
 * within TOP); nesting such selects deeper would grow the text as a power of two. */
constexpr int kMaxRanked = 4;

bool isColumn(const Node& n)
{
    return n.kind == Kind::Name;
}

/* A call of one of Jet's functions whose value is a date: it compares as a date, and a
 * server's date takes no collation. */
bool isDateCall(const Node& n)
{
    if (n.kind != Kind::Call || n.fn < 0) {
        return false;
    }
    std::string_view name = jetFunctions()[static_cast<std::size_t>(n.fn)].name;
    return name == "Now" || name == "Date" || name == "DateAdd" || name == "DateSerial";
}

/* An expression whose texts Jet compares ignoring case, which SQLite would compare byte
 * by byte: anything but a column (it has its own collation), a number, a truth or a date. */
bool needsNoCase(const Node& n)
{
    return !n.exact && !isColumn(n) && !isDateCall(n) && n.type != Type::Number &&
           n.type != Type::Bool && n.kind != Kind::Param && n.kind != Kind::Query &&
           n.kind != Kind::Seq && n.kind != Kind::Token && n.kind != Kind::Literal;
}

} // namespace

TypeClass declaredClass(const std::string& declared, int& size)
{
    std::size_t open = declared.find('(');
    TypeClass type = typeClassOf(declared.substr(0, std::min(open, declared.find(' '))));
    size = open == std::string::npos ? 0 : std::atoi(declared.c_str() + open + 1);
    switch (type) {
    case TypeClass::Single:
        return TypeClass::Double;
    case TypeClass::LongBinary:
        return size > 0 ? TypeClass::Binary : type;
    case TypeClass::Currency:
    case TypeClass::Decimal:
    case TypeClass::Guid:
        return TypeClass::Unknown;
    default:
        return type;
    }
}

namespace {

struct Joined {
    std::vector<std::pair<int, std::string>> refs;
    std::vector<int> conditions;
    bool outer = false; // LEFT, RIGHT, FULL or CROSS joins, or a subquery among the tables
};

/* An expression to write as a condition (Jet's truth as SQLite reads it). */
struct Condition {
    int id;
};

class Writer {
  public:
    Writer(const Statement& s, const Describe& describe, const Spelling& spelling)
        : s_(s), describe_(describe), sp_(spelling)
    {
    }

    std::vector<std::string> statements();

  private:
    /* Writes its parts in order: texts as they are, node ids as values, Conditions. */
    template <class... Parts> void put(std::string& o, const Parts&... parts) const
    {
        (part(o, parts), ...);
    }
    void part(std::string& o, const std::string& s) const { o += s; }
    void part(std::string& o, const char* s) const { o += s; }
    void part(std::string& o, int id) const { expr(id, false, o); }
    void part(std::string& o, Condition c) const { expr(c.id, true, o); }
    template <class... Parts> std::string text(const Parts&... parts) const
    {
        std::string o;
        put(o, parts...);
        return o;
    }
    /* Each of ids written by each, separated. */
    template <class Each>
    std::string joined(const std::vector<int>& ids, const char* separator, Each each) const
    {
        std::string o;
        for (std::size_t i = 0; i < ids.size(); ++i) {
            o += i > 0 ? separator : "";
            each(o, ids[i], i);
        }
        return o;
    }

    std::string token(uint32_t i) const;
    std::string span(uint32_t first, uint32_t last) const
    {
        std::string out;
        for (uint32_t i = first; i <= last; ++i) {
            out += token(i);
        }
        return out;
    }
    std::string nameOf(int id) const { return identName(s_.token(s_.node(id).last)); }
    /* The name a table is made with, quoted: every engine keeps the case it is written in
     * (a server folds a bare name to lower case). */
    std::string madeName(int id) const
    {
        const Node& n = s_.node(id);
        return n.tok == n.last ? quoteIdent(nameOf(id)) : text(id);
    }
    void expr(int id, bool condition, std::string& o) const;
    void body(const Node& n, bool condition, std::string& o) const;
    void binary(const Node& n, std::string& o) const;
    /* The SQLite operator n is written with between its operands, or null for a call. */
    const char* infix(const Node& n) const;
    /* A #date# or a call whose value is a date: + and - count days on it. */
    bool isDate(const Node& n) const
    {
        return (n.kind == Kind::Literal && s_.token(n.tok).kind == Tok::Date) || isDateCall(n);
    }
    void chained(const Node& n, const char* op, std::string& o) const;
    void call(const Node& n, std::string& o) const;
    bool unnamed(const std::vector<int>& items, std::size_t i) const;
    /* A node as put writes it. */
    std::string written(int id) const
    {
        std::string o;
        put(o, id);
        return o;
    }
    /* A sorting or grouping term: texts of expressions ignoring case, as Jet sorts them. */
    void term(std::string& o, int id) const
    {
        put(o, id, needsNoCase(s_.node(id)) ? sp_.collate(true) : "");
    }
    std::string collation(const Node& n, const Node& a, const Node& b) const;

    void select(int index, std::string& o) const;
    void single(const Select& q, bool ordered, std::string& o) const;
    std::string rowGroups(const Select& q) const;
    std::vector<std::string> selectInto(const Select& head, const std::string& query) const;

    Joined from(int id) const;
    std::string sets(const std::pair<int, std::string>& table) const;
    std::string update() const;
    std::string remove() const;
    std::string def(const ColumnDef& c, const std::string& as = "") const;
    std::vector<std::string> createTable() const;
    std::vector<std::string> alterColumn() const;
    std::vector<std::string> index() const;
    std::vector<std::string> keys() const;

    const Statement& s_;
    const Describe& describe_;
    const Spelling& sp_;
    const Select* into_ = nullptr; // the select whose INTO the statement carries out
    mutable int ranks_ = 0;        // TOP selects being written, one inside another
};

std::string Writer::token(uint32_t i) const
{
    const Token& t = s_.token(i);
    if (t.kind == Tok::String && t.text[0] == '"') {
        return quoteLiteral(stringValue(t));
    }
    if (t.kind == Tok::Ident) {
        return quoteIdent(identName(t));
    }
    if (t.kind == Tok::Date) {
        std::optional<double> date = parseDate(t.text.substr(1, t.text.size() - 2));
        if (!date) {
            raiseEngine(code::kSyntax,
                        "Syntax error in date in query expression '" + std::string(t.text) + "'.");
        }
        return quoteLiteral(dateText(*date));
    }
    return isKeyword(t, "TRUE") ? "-1" : isKeyword(t, "FALSE") ? "0" : std::string(t.text);
}

void Writer::expr(int id, bool condition, std::string& o) const
{
    const Node& n = s_.node(id);
    if (!condition && n.type == Type::Bool && n.kind != Kind::Cond && n.kind != Kind::List) {
        std::string truth;
        body(n, condition, truth);
        o += sp_.truthValue(truth);
    } else if (condition && n.type != Type::Bool && n.kind != Kind::Cond && n.kind != Kind::List) {
        std::string value;
        body(n, condition, value);
        o += sp_.asCondition(value);
    } else {
        body(n, condition, o);
    }
}

void Writer::body(const Node& n, bool condition, std::string& o) const
{
    const std::vector<int>& k = n.kids;
    const Node* value = k.empty() ? nullptr : &s_.node(k[0]);
    switch (n.kind) {
    case Kind::Token:
    case Kind::Literal:
    case Kind::Name:
    case Kind::Param:
        return put(o, span(n.tok, n.last));
    case Kind::Call:
        return call(n, o);
    case Kind::Unary:
        return n.op == Op::Not ? put(o, "(NOT ", Condition{k[0]}, ")") : put(o, "(-", k[0], ")");
    case Kind::Binary:
        return binary(n, o);
    case Kind::Like: {
        const Node& pattern = s_.node(k[1]);
        bool written = pattern.kind == Kind::Literal && s_.token(pattern.tok).kind == Tok::String;
        std::string p = written ? stringValue(s_.token(pattern.tok)) : "";
        return put(
            o, sp_.like(text(k[0]), text(k[1]), written ? &p : nullptr, value->exact, n.negated));
    }

    case Kind::IsNull:
        return put(o, "(", k[0], n.negated ? " IS NOT NULL)" : " IS NULL)");
    case Kind::In:
    case Kind::Between: {
        std::string collate = value->exact          ? sp_.collate(false)
                              : needsNoCase(*value) ? sp_.collate(true)
                                                    : "";
        std::string op =
            std::string(n.negated ? " NOT" : "") + (n.kind == Kind::In ? " IN " : " BETWEEN ");
        return n.kind == Kind::In ? put(o, "(", k[0], collate, op, k[1], ")")
                                  : put(o, "(", k[0], collate, op, k[1], " AND ", k[2], ")");
    }
    case Kind::Exists:
        return put(o, "(EXISTS ", k[0], ")");
    case Kind::List: // one item is an expression in parentheses, read as it is read
        return put(o, "(",
                   joined(k, ", ",
                          [&](std::string& s, int id, std::size_t) {
                              expr(id, k.size() == 1 && condition, s);
                          }),
                   ")");
    case Kind::Query:
        o += n.bare ? "" : "(";
        select(n.sub, o);
        o += n.bare ? "" : ")";
        return;
    case Kind::Seq:
        return put(o, joined(k, " ", [&](std::string& s, int id, std::size_t i) {
                       expr(id, condition, s);
                       s += unnamed(k, i) ? " AS " + quoteIdent("jet_from_" + std::to_string(id))
                                          : "";
                   }));
    case Kind::Cond:
        return put(o, Condition{k[0]});
    }
}

/* A chain of one operator (a & b & c, a OR b OR c) is written flat: SQLite's parser nests
 * parentheses and calls only about 30 deep, and a composed text chains far more. */
void Writer::binary(const Node& n, std::string& o) const
{
    static constexpr const char* compare[] = {" = ", " <> ", " < ", " <= ", " > ", " >= "};
    const Node& a = s_.node(n.kids[0]);
    const Node& b = s_.node(n.kids[1]);
    int l = n.kids[0], r = n.kids[1];
    if (const char* op = infix(n); op != nullptr) {
        o += "(";
        chained(n, op, o);
        o += ")";
        return;
    }
    if (n.op == Op::Cat) { // operands may be Null: jet_cat takes any number of them
        std::vector<int> operands{r};
        int first = l;
        for (const Node* at = &a; at->kind == Kind::Binary && at->op == Op::Cat;
             at = &s_.node(first)) {
            operands.insert(operands.begin(), at->kids[1]);
            first = at->kids[0];
        }
        operands.insert(operands.begin(), first);
        std::vector<std::string> texts;
        for (int id : operands) {
            texts.push_back(text(id));
        }
        return put(o, sp_.arithmetic(Op::Cat, texts));
    }
    if ((n.op == Op::Add || n.op == Op::Sub) && (isDate(a) || isDate(b))) {
        return put(o, sp_.dateArithmetic(n.op, {text(l), isDate(a)}, {text(r), isDate(b)}));
    }
    if (n.op <= Op::Pow) { // operands may be texts, Nulls or zero: Jet's rules in a function
        return put(o, sp_.arithmetic(n.op, {text(l), text(r)}));
    }
    switch (n.op) {
    case Op::Xor: // on truths: SQLite's NOT gives 1, 0 or Null
        return put(o, "((NOT ", Condition{l}, ") <> (NOT ", Condition{r}, "))");
    case Op::Eqv:
        return put(o, "((NOT ", Condition{l}, ") = (NOT ", Condition{r}, "))");
    case Op::Imp:
        return put(o, "((NOT ", Condition{l}, ") OR ", Condition{r}, ")");
    default:
        return put(o, "(", l, compare[static_cast<int>(n.op) - static_cast<int>(Op::Eq)], r,
                   collation(n, a, b), ")");
    }
}

const char* Writer::infix(const Node& n) const
{
    if (n.kind != Kind::Binary) {
        return nullptr;
    }
    const Node& a = s_.node(n.kids[0]);
    const Node& b = s_.node(n.kids[1]);
    bool numbers = a.type == Type::Number && b.type == Type::Number;
    switch (n.op) {
    case Op::Add:
        return a.type == Type::Text && b.type == Type::Text && !isDate(a) && !isDate(b) ? " || "
               : numbers                                                                ? " + "
                                                                                        : nullptr;
    case Op::Sub:
        return numbers ? " - " : nullptr;
    case Op::Mul:
        return numbers ? " * " : nullptr;
    case Op::And:
        return " AND ";
    case Op::Or:
        return " OR ";
    default:
        return nullptr;
    }
}

/* n's operands with op between them, a left operand of the same operator unwrapped. */
void Writer::chained(const Node& n, const char* op, std::string& o) const
{
    bool truths = n.op == Op::And || n.op == Op::Or;
    auto operand = [&](int id) { truths ? put(o, Condition{id}) : put(o, id); };
    const Node& left = s_.node(n.kids[0]);
    const char* leftOp = infix(left);
    if (leftOp != nullptr && std::string_view(leftOp) == op) {
        chained(left, op, o);
    } else {
        operand(n.kids[0]);
    }
    o += op;
    operand(n.kids[1]);
}

/* The collation a comparison needs for Jet's rule: file names exactly, other texts
 * ignoring case. A column compared with a number, a parameter, a subquery or another
 * column keeps its own collation, so that its index serves. */
std::string Writer::collation(const Node& n, const Node& a, const Node& b) const
{
    if (n.collate != Collate::ByRule || a.exact || b.exact) {
        return sp_.collate(n.collate == Collate::NoCase);
    }
    const Node& other = isColumn(a) ? b : a;
    bool keep = a.type == Type::Number || b.type == Type::Number || a.type == Type::Bool ||
                b.type == Type::Bool || isDateCall(a) || isDateCall(b) ||
                ((isColumn(a) || isColumn(b)) &&
                 (isColumn(other) || other.kind == Kind::Param || other.kind == Kind::Query));
    return keep ? "" : sp_.collate(true);
}

/* A subquery in a FROM list that Jet lets go without a name; PostgreSQL needs one. */
bool Writer::unnamed(const std::vector<int>& items, std::size_t i) const
{
    const Node& q = s_.node(items[i]);
    if (q.kind != Kind::Query || q.bare || i + 1 == items.size()) {
        return q.kind == Kind::Query && !q.bare;
    }
    const Token& next = s_.token(s_.node(items[i + 1]).tok);
    return !isNameToken(next) ||
           isKeywordIn(next, {"INNER", "OUTER", "LEFT", "RIGHT", "FULL", "CROSS", "JOIN", "ON"});
}

void Writer::call(const Node& n, std::string& o) const
{
    std::string_view name = n.fn >= 0 ? jetFunctions()[static_cast<std::size_t>(n.fn)].name : "";
    const std::vector<int>& k = n.kids;
    if (name == "IIf" || name == "Switch") { // lazily, as Jet does: a branch not taken cannot fail
        if (k.size() % 2 != (name == "IIf" ? 1 : 0)) {
            raiseEngine(code::kSyntax, "Switch takes pairs of a condition and a value.");
        }
        o += "(CASE";
        for (std::size_t i = 0; i + 1 < k.size(); i += 2) {
            put(o, " WHEN ", Condition{k[i]}, " THEN ", k[i + 1]);
        }
        return name == "IIf" ? put(o, " ELSE ", k[2], " END)") : put(o, " END)");
    }
    if (name == "Choose") {
        put(o, "(CASE ", sp_.call("CInt", {text(k[0])}));
        for (std::size_t i = 1; i < k.size(); ++i) {
            put(o, " WHEN ", std::to_string(i), " THEN ", k[i]);
        }
        return put(o, " END)");
    }
    if (name == "Nz") {
        return k.size() > 1 ? put(o, "coalesce(", k[0], ", ", k[1], ")")
                            : put(o, "coalesce(", k[0], ", '')");
    }
    if (name == "IsNull" || name == "Space") {
        return name == "Space" ? put(o, sp_.call("String", {text(k[0]), "' '"}))
                               : put(o, "(", k[0], " IS NULL)");
    }
    for (std::string_view missing : {"First", "Last", "StDev", "StDevP", "Var", "VarP"}) {
        if (name == missing) {
            raiseEngine(code::kSyntax, "Jet's " + std::string(name) + " has no counterpart here.");
        }
    }
    bool terms = name == "Min" || name == "Max";
    std::vector<std::string> args;
    for (int id : k) {
        std::string arg;
        terms ? term(arg, id) : put(arg, id);
        args.push_back(std::move(arg));
    }
    o += sp_.call(n.fn >= 0 ? name : s_.token(n.tok).text, args);
}

void Writer::select(int index, std::string& o) const
{
    const Select& head = s_.selects[static_cast<std::size_t>(index)];
    if (head.next < 0) {
        return single(head, true, o);
    }
    for (int at = index; at >= 0;) {
        const Select& member = s_.selects[static_cast<std::size_t>(at)];
        o += member.top != 0 ? "SELECT * FROM (" : "";
        single(member, false, o);
        o += member.top != 0 ? ")" : "";
        at = member.next;
        o += at < 0 ? "" : member.unionAll ? " UNION ALL " : " UNION ";
    }
    if (!head.orderBy.empty()) { // terms of the result columns, as they are
        put(o, " ORDER BY ", joined(head.orderBy, ", ", [&](std::string& s, int id, std::size_t i) {
                put(s, id, sp_.sortOrder(head.descending[i]));
            }));
    }
}

/* One SELECT. TOP with an ORDER BY keeps the rows tied with the last, as Jet does: the
 * rows come sorted, and as many as rank within the count (a rank counted over the same
 * rows, DISTINCT ones grouped by every column). */
void Writer::single(const Select& q, bool ordered, std::string& o) const
{
    if (q.into >= 0 && &q != into_) {
        raiseEngine(code::kSyntax, "SELECT ... INTO stands only at the head of a statement.");
    }
    const Token* quantifier = q.quantifier != 0 ? &s_.token(q.quantifier) : nullptr;
    bool distinct = quantifier != nullptr && isKeyword(*quantifier, "DISTINCT");
    bool sorted = ordered && !q.orderBy.empty();
    bool ranked = q.top != 0 && (q.percent || sorted);
    if (ranked && ++ranks_ > kMaxRanked) {
        raiseEngine(code::kSyntax, "Too many TOP queries nested in one another.");
    }
    std::set<std::string> grouped; // the terms of GROUP BY, as written without a collation
    for (int id : q.groupBy) {
        grouped.insert(written(id));
    }
    std::string list = joined(q.items, ", ", [&](std::string& s, int id, std::size_t i) {
        // An item that is a group's term is written as the group's, collation and all: a
        // server takes no other spelling of it.
        distinct || grouped.count(written(id)) > 0 ? term(s, id) : put(s, id);
        // Quoted, so that the name keeps its case on an engine that folds bare names.
        s += q.aliases[i] != 0 ? " AS " + quoteIdent(identName(s_.token(q.aliases[i]))) : "";
    });
    std::string groups =
        joined(q.groupBy, ", ", [&](std::string& s, int id, std::size_t) { term(s, id); });
    if (quantifier != nullptr && isKeyword(*quantifier, "DISTINCTROW") && q.groupBy.empty()) {
        groups = rowGroups(q);
    }
    std::string from = (q.from >= 0 ? text(" FROM ", q.from) : "") +
                       (q.where >= 0 ? text(" WHERE ", q.where) : "");
    std::string having = q.having >= 0 ? text(" HAVING ", q.having) : "";
    std::string order = joined(q.orderBy, ", ", [&](std::string& s, int id, std::size_t i) {
        term(s, id);
        s += sp_.sortOrder(q.descending[i]);
    });
    std::string grouping = groups.empty() ? "" : " GROUP BY " + groups;
    put(o, distinct ? "SELECT DISTINCT " : "SELECT ", list, from, grouping, having,
        sorted ? " ORDER BY " + order : "");
    if (!ranked) {
        o += q.top != 0 ? " LIMIT " + token(q.top) : "";
        return;
    }
    for (std::size_t i = 0; distinct && i < q.items.size(); ++i) {
        if (!q.groupBy.empty() || s_.token(s_.node(q.items[i]).last).text == "*") {
            raiseEngine(code::kSyntax, "DISTINCT TOP with * or GROUP BY has no translation here; "
                                       "name the columns.");
        }
        grouping += (i > 0 ? ", " : " GROUP BY ") + std::to_string(i + 1);
    }
    std::string count = token(q.top);
    put(o, " LIMIT (SELECT count(*) FROM (SELECT ", distinct ? list + ", " : "",
        sorted ? "rank() OVER (ORDER BY " + order + ")" : "row_number() OVER ()", " AS jet_rank",
        q.percent ? ", count(*) OVER () AS jet_count" : "", from, grouping, having,
        ") AS jet_ranked WHERE ",
        q.percent ? "(jet_rank - 1) * 100 < " + count + " * jet_count" : "jet_rank <= " + count,
        ")");
    --ranks_;
}

/* DISTINCTROW: one row per row of each table whose fields the select names, which needs
 * every field named with its table once the select joins several. The fields are grouped
 * by too: they add nothing to the rows' keys, and a server takes no field that is not
 * grouped by (or dependent on a primary key grouped by). */
std::string Writer::rowGroups(const Select& q) const
{
    bool aggregate = false;
    for (int item : q.items) {
        aggregate = aggregate || s_.node(item).aggregate;
    }
    if (q.from < 0 || from(q.from).refs.size() <= 1 || aggregate) {
        return {}; // one table's rows are distinct already
    }
    std::string out;
    std::vector<std::string> tables;
    for (int item : q.items) {
        const Node& n = s_.node(item);
        if (n.kind != Kind::Name || n.tok == n.last) {
            raiseEngine(code::kSyntax, "DISTINCTROW over joined tables needs every field named "
                                       "with its table.");
        }
        std::string table = span(n.tok, n.last - 2);
        bool known = false;
        for (const std::string& t : tables) {
            known = known || equalsIgnoreCase(t, table);
        }
        out += known ? "" : (tables.empty() ? "" : ", ") + table + "." + sp_.rowKey();
        tables.push_back(table);
    }
    for (int item : q.items) {
        out += ", " + text(item);
    }
    return out;
}

/* SELECT ... INTO: a table of Jet columns like the query's (typeless, ignoring case, for
 * what is no column), then the rows. */
std::vector<std::string> Writer::selectInto(const Select& head, const std::string& query) const
{
    if (!describe_) {
        raiseEngine(code::kSyntax, "SELECT ... INTO runs as a statement of its own.");
    }
    std::string table = madeName(head.into), columns, names;
    for (const auto& [name, declared] : describe_(query)) {
        if (name == "jet_rank" || name == "jet_count") {
            continue;
        }
        int size = 0;
        TypeClass type = declaredClass(declared, size);
        bool exact = isExactName(name);
        columns += (columns.empty() ? "" : ", ") + quoteIdent(name) +
                   (type != TypeClass::Unknown ? " " + sp_.type(name, exact, type, size)
                    : exact                    ? ""
                                               : " TEXT" + sp_.collate(true));
        names += (names.empty() ? "" : ", ") + quoteIdent(name);
    }
    return {"CREATE TABLE " + table + " (" + columns + ")",
            "INSERT INTO " + table + " SELECT " + names + " FROM (" + query + ") AS jet_into"};
}

Joined Writer::from(int id) const
{
    Joined j;
    for (int kid : s_.node(id).kids) {
        const Node& k = s_.node(kid);
        const Token& t = s_.token(k.tok);
        if (k.kind == Kind::Name) {
            j.refs.emplace_back(kid, "");
        } else if (k.kind == Kind::Cond) {
            j.conditions.push_back(kid);
        } else if (k.kind == Kind::Query || isKeywordIn(t, {"LEFT", "RIGHT", "FULL", "CROSS"})) {
            j.outer = true;
        } else if (isNameToken(t) && !j.refs.empty() &&
                   !isKeywordIn(t, {"AS", "INNER", "OUTER", "JOIN", "ON", "IN"})) {
            j.refs.back().second = identName(t);
        }
    }
    return j;
}

/* SET's assignments to table; a qualified column must be one of its own. */
std::string Writer::sets(const std::pair<int, std::string>& table) const
{
    std::string o;
    for (const auto& [column, value] : s_.sets) {
        const Node& c = s_.node(column);
        std::string qualifier = c.tok != c.last ? identName(s_.token(c.last - 2)) : "";
        if (!qualifier.empty() && !equalsIgnoreCase(qualifier, nameOf(table.first)) &&
            !equalsIgnoreCase(qualifier, table.second)) {
            raiseEngine(code::kSyntax, "An UPDATE changes the fields of one table here.");
        }
        put(o, o.empty() ? "" : ", ", token(c.last), " = ", value);
    }
    return o;
}

/* UPDATE over joined tables: the table SET names is updated, the others join it by
 * UPDATE ... FROM, inner joins being conditions like any other. */
std::string Writer::update() const
{
    Joined j = from(s_.table);
    std::vector<int> conditions = j.conditions;
    if (s_.where >= 0) {
        conditions.push_back(s_.where);
    }
    std::string where =
        joined(conditions, " AND ", [&](std::string& s, int id, std::size_t) { put(s, id); });
    where = where.empty() ? "" : " WHERE " + where;
    if (j.refs.size() == 1 && j.conditions.empty() && !j.outer) {
        return text("UPDATE ", s_.table, " SET ", sets(j.refs[0]), where);
    }
    if (j.outer || j.refs.empty()) {
        raiseEngine(code::kSyntax,
                    "An UPDATE through an outer join or a subquery has no translation here.");
    }
    const Node& first = s_.node(s_.sets[0].first);
    std::string qualifier = first.tok != first.last ? identName(s_.token(first.last - 2)) : "";
    std::size_t target = 0;
    for (std::size_t i = 0; i < j.refs.size(); ++i) {
        bool named = equalsIgnoreCase(nameOf(j.refs[i].first), qualifier) ||
                     equalsIgnoreCase(j.refs[i].second, qualifier);
        target = named ? i : target;
    }
    auto ref = [&](const std::pair<int, std::string>& r) {
        return text(r.first, r.second.empty() ? "" : " AS " + quoteIdent(r.second));
    };
    std::string others;
    for (std::size_t i = 0; i < j.refs.size(); ++i) {
        others += i == target ? "" : (others.empty() ? "" : ", ") + ref(j.refs[i]);
    }
    return "UPDATE " + ref(j.refs[target]) + " SET " + sets(j.refs[target]) + " FROM " + others +
           where;
}

/* DELETE: of one table as it stands; through a join, the named table's rows by their
 * row keys. */
std::string Writer::remove() const
{
    Joined j = from(s_.table);
    std::string where = s_.where >= 0 ? text(" WHERE ", s_.where) : "";
    if (j.refs.size() == 1 && j.conditions.empty() && !j.outer) {
        return text("DELETE FROM ", s_.table, where);
    }
    const Node* target = s_.target >= 0 ? &s_.node(s_.target) : nullptr;
    std::string qualifier =
        target == nullptr
            ? ""
            : identName(s_.token(target->tok == target->last ? target->tok : target->last - 2));
    for (const auto& [table, alias] : j.refs) {
        if (!qualifier.empty() &&
            (equalsIgnoreCase(nameOf(table), qualifier) || equalsIgnoreCase(alias, qualifier))) {
            return text("DELETE FROM ", table, " WHERE ", sp_.rowKey(), " IN (SELECT ",
                        quoteIdent(qualifier), ".", sp_.rowKey(), " FROM ", s_.table, where, ")");
        }
    }
    raiseEngine(code::kSyntax, "Specify the table containing the records you want to delete.");
}

/* A column definition; as names the column in SQL when it is not Jet's name. A counter's
 * type holds its key, so a key clause of its own is left out. */
std::string Writer::def(const ColumnDef& c, const std::string& as) const
{
    std::string column = identName(s_.token(c.name));
    std::string named = as.empty() ? column : as;
    std::string out =
        quoteIdent(named) + " " + sp_.type(named, isExactName(column), c.type, c.size);
    const std::vector<int>& rest = s_.node(c.rest).kids;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const Token& t = s_.token(s_.node(rest[i]).tok);
        bool key = c.type == TypeClass::Counter && s_.node(rest[i]).kind == Kind::Token &&
                   isKeywordIn(t, {"CONSTRAINT", "PRIMARY", "KEY"});
        i += key && isKeyword(t, "CONSTRAINT") ? 1 : 0;
        out += key ? "" : text(" ", rest[i]);
    }
    return out;
}

std::vector<std::string> Writer::createTable() const
{
    std::string columns;
    for (const ColumnDef& c : s_.columns) {
        columns += (columns.empty() ? "" : ", ") + def(c);
    }
    for (int constraint : s_.constraints) {
        put(columns, ", ", constraint);
    }
    std::vector<std::string> out = {text("CREATE ", s_.temporary ? "TEMPORARY " : "", "TABLE ",
                                         madeName(s_.table), " (", columns, ")")};
    for (std::string& k : keys()) {
        out.push_back(std::move(k));
    }
    return out;
}

std::vector<std::string> Writer::alterColumn() const
{
    const ColumnDef& c = s_.columns[0];
    std::string column = identName(s_.token(c.name));
    return sp_.alterColumn(text(s_.table), column, def(c, kAlteredColumn),
                           sp_.type(column, isExactName(column), c.type, c.size));
}

/* An index; a primary key's or a DISALLOW NULL index's columns refuse Null through
 * triggers, which a row already holding Null fails at once. */
std::vector<std::string> Writer::index() const
{
    const IndexDef& x = s_.index;
    std::string table = text(s_.table);
    std::string name = identName(s_.token(x.name));
    std::string present;
    std::vector<std::string> columns;
    for (uint32_t c : x.names) {
        columns.push_back(token(c));
        present += (present.empty() ? "" : " AND ") + columns.back() + " IS NOT NULL";
    }
    std::vector<std::string> out = {text("CREATE ", x.unique || x.primary ? "UNIQUE " : "",
                                         "INDEX ", quoteIdent(name), " ON ", table, " ", x.columns,
                                         x.ignoreNull ? " WHERE " + present : "")};
    if (x.primary || x.disallowNull) {
        for (std::string& sql : sp_.refuseNull(name, table, columns)) {
            out.push_back(std::move(sql));
        }
    }
    return out;
}

std::vector<std::string> Writer::keys() const
{
    std::vector<std::string> out;
    for (ForeignKey key : s_.keys) {
        key.name = key.name.empty() ? key.child + "_" + key.column : key.name;
        for (std::string& sql : sp_.foreignKey(key)) {
            out.push_back(std::move(sql));
        }
    }
    return out;
}

std::vector<std::string> Writer::statements()
{
    std::vector<std::string> out;
    std::string name = s_.index.name != 0 ? identName(s_.token(s_.index.name)) : "";
    switch (s_.verb) {
    case Verb::Select: {
        const Select& head = s_.selects[static_cast<std::size_t>(s_.node(s_.root).sub)];
        into_ = head.into >= 0 && head.next < 0 ? &head : nullptr;
        std::string query;
        select(s_.node(s_.root).sub, query);
        out = into_ != nullptr ? selectInto(head, query) : std::vector<std::string>{query};
        break;
    }
    case Verb::Update:
        out = {update()};
        break;
    case Verb::Delete:
        out = {remove()};
        break;
    case Verb::CreateTable:
        out = createTable();
        break;
    case Verb::AddColumns:
        for (const ColumnDef& c : s_.columns) {
            out.push_back(text("ALTER TABLE ", s_.table, " ADD COLUMN ", def(c)));
        }
        break;
    case Verb::AlterColumn:
        out = alterColumn();
        break;
    case Verb::AddKeys:
        out = keys();
        break;
    case Verb::CreateIndex:
        out = index();
        break;
    case Verb::DropIndex:
        out = sp_.dropIndex(name, text(s_.table));
        break;
    case Verb::Other:
        out = {text(s_.root)};
        break;
    }
    if (s_.tail >= 0) {
        put(out.back(), " ", s_.tail);
    }
    return out;
}

} // namespace

std::vector<std::string> writeJet(const Statement& s, const Describe& describe,
                                  const Spelling& spelling)
{
    return Writer(s, describe, spelling).statements();
}

std::vector<std::string> Target::statements(const Statement& s, const Describe& describe) const
{
    return writeJet(s, describe, spelling_);
}

std::string Target::columnType(const std::string& column, TypeClass type, int size) const
{
    return spelling_.type(column, isExactName(column), type, size);
}

std::vector<std::string> Target::keyStatements(const ForeignKey& key) const
{
    return spelling_.foreignKey(key);
}

} // namespace kavdb::engine::jet
