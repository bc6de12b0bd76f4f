// "kdx diff A B": what differs between two projects in either form, page by
// page and object by object, field by field. Pages are matched by their
// identifiers, objects by kind and identifier; lines, which store no
// identifier, by their contents and then in order. Exit status 0 when the
// projects are the same, 1 when they differ, 2 when one cannot be read.
#include "cli/Command.h"
#include "cli/ProjectInput.h"

#include "model/ProjectText.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

namespace kdx::cli {
namespace {

struct Pair {
    size_t a, b;
};

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

// Prints "key: old -> new" for each field that differs; false when none does.
bool PrintFieldChanges(const std::vector<FieldText>& a, const std::vector<FieldText>& b, const std::string& indent,
                       const std::string& heading = {})
{
    bool any = false;
    auto headingOnce = [&] {
        if (!any && !heading.empty())
            Print(heading);
        any = true;
    };
    for (const FieldText& fb : b) {
        auto fa = std::find_if(a.begin(), a.end(), [&](const FieldText& f) { return f.key == fb.key; });
        if (fa == a.end()) {
            headingOnce();
            Print(indent + fb.key + ": (none) -> " + fb.value);
        } else if (fa->value != fb.value) {
            headingOnce();
            Print(indent + fb.key + ": " + fa->value + " -> " + fb.value);
        }
    }
    for (const FieldText& fa : a)
        if (std::none_of(b.begin(), b.end(), [&](const FieldText& f) { return f.key == fa.key; })) {
            headingOnce();
            Print(indent + fa.key + ": " + fa.value + " -> (none)");
        }
    return any;
}

void PrintFields(const std::vector<FieldText>& fields, const std::string& indent)
{
    for (const FieldText& f : fields)
        Print(indent + f.key + ": " + f.value);
}

// The pairs (taken in order of b) that keep their relative order: the
// longest run in which a's positions increase. The others were restacked.
std::set<size_t> PairsInOrder(std::vector<Pair> pairs)
{
    std::sort(pairs.begin(), pairs.end(), [](const Pair& x, const Pair& y) { return x.b < y.b; });
    std::vector<size_t> tails;     // index into pairs of the smallest tail of each run length
    std::vector<size_t> previous(pairs.size(), SIZE_MAX);
    for (size_t i = 0; i < pairs.size(); ++i) {
        auto it = std::lower_bound(tails.begin(), tails.end(), pairs[i].a,
                                   [&](size_t t, size_t a) { return pairs[t].a < a; });
        if (it != tails.begin())
            previous[i] = *(it - 1);
        if (it == tails.end())
            tails.push_back(i);
        else
            *it = i;
    }
    std::set<size_t> kept;
    for (size_t i = tails.empty() ? SIZE_MAX : tails.back(); i != SIZE_MAX; i = previous[i])
        kept.insert(pairs[i].b);
    return kept;
}

// Matches a's and b's objects: identified kinds by kind and identifier,
// lines by equal contents in order and then the rest in order.
std::vector<Pair> MatchObjects(const std::vector<ObjectRecord>& a, const std::vector<ObjectRecord>& b)
{
    std::vector<Pair> pairs;
    std::map<std::pair<ObjectKind, uint32_t>, std::vector<size_t>> byId;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i].kind != ObjectKind::Line)
            byId[{a[i].kind, a[i].objectId}].push_back(i);
    for (size_t j = 0; j < b.size(); ++j) {
        if (b[j].kind == ObjectKind::Line)
            continue;
        auto found = byId.find({b[j].kind, b[j].objectId});
        if (found != byId.end() && !found->second.empty()) {
            pairs.push_back({found->second.back(), j});
            found->second.pop_back();
        }
    }
    std::vector<size_t> linesA, linesB;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].kind == ObjectKind::Line)
            linesA.push_back(i);
    for (size_t j = 0; j < b.size(); ++j)
        if (b[j].kind == ObjectKind::Line)
            linesB.push_back(j);
    // Each line of b takes the first equal line of a after the last one
    // taken. a's lines are looked up by what a line stores (colour and end
    // points), so that a page of changed lines costs n log n, not n².
    using LineKey = std::tuple<Color, int32_t, int32_t, int32_t, int32_t>;
    auto keyOf = [](const ObjectRecord& line) {
        return LineKey{line.lineColor, line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
    };
    std::map<LineKey, std::vector<size_t>> linesByKey; // positions in linesA, ascending
    for (size_t i = 0; i < linesA.size(); ++i)
        linesByKey[keyOf(a[linesA[i]])].push_back(i);
    std::vector<bool> usedA(linesA.size()), usedB(linesB.size());
    size_t from = 0;
    for (size_t j = 0; j < linesB.size(); ++j) {
        auto candidates = linesByKey.find(keyOf(b[linesB[j]]));
        if (candidates == linesByKey.end())
            continue;
        const std::vector<size_t>& positions = candidates->second;
        for (auto i = std::lower_bound(positions.begin(), positions.end(), from); i != positions.end(); ++i)
            if (a[linesA[*i]] == b[linesB[j]]) {
                pairs.push_back({linesA[*i], linesB[j]});
                usedA[*i] = usedB[j] = true;
                from = *i + 1;
                break;
            }
    }
    size_t i = 0;
    for (size_t j = 0; j < linesB.size(); ++j) {
        if (usedB[j])
            continue;
        while (i < linesA.size() && usedA[i])
            ++i;
        if (i == linesA.size())
            break;
        pairs.push_back({linesA[i], linesB[j]});
        usedA[i] = true;
    }
    return pairs;
}

std::string ObjectName(const ObjectRecord& obj, size_t index)
{
    if (obj.kind == ObjectKind::Line)
        return std::string("line #") + std::to_string(index + 1);
    return std::string(ObjectKindKey(obj.kind)) + " id " + std::to_string(obj.objectId);
}

std::string PageName(const PageRecord& page)
{
    return "page " + std::to_string(page.pageId) + " " + PageFieldTexts(page)[1].value;
}

// Prints the differences of two pages with the same identifier; false when
// there are none.
bool DiffPage(const PageRecord& a, const PageRecord& b, const std::string& moved)
{
    bool any = false;
    auto heading = [&] {
        if (!any)
            Print(PageName(b));
        any = true;
    };
    if (!moved.empty()) {
        heading();
        Print("  " + moved);
    }
    if (PrintFieldChanges(PageFieldTexts(a), PageFieldTexts(b), "  ", any ? std::string() : PageName(b)))
        any = true;
    const std::vector<Pair> pairs = MatchObjects(a.objects, b.objects);
    const std::set<size_t> inOrder = PairsInOrder(pairs);
    std::vector<std::optional<size_t>> partnerOfB(b.objects.size());
    std::vector<bool> matchedA(a.objects.size());
    for (const Pair& p : pairs) {
        partnerOfB[p.b] = p.a;
        matchedA[p.a] = true;
    }
    for (size_t j = 0; j < b.objects.size(); ++j) {
        const ObjectRecord& obj = b.objects[j];
        if (!partnerOfB[j]) {
            heading();
            Print("  " + ObjectName(obj, j) + ": added");
            PrintFields(ObjectFieldTexts(obj), "    ");
            continue;
        }
        const size_t i = *partnerOfB[j];
        const std::string name = "  " + ObjectName(obj, j) + ":";
        bool printed = false;
        if (!inOrder.count(j)) {
            heading();
            Print(name + " moved in drawing order from #" + std::to_string(i + 1) + " to #" + std::to_string(j + 1));
            printed = true;
        }
        const std::vector<FieldText> fa = ObjectFieldTexts(a.objects[i]), fb = ObjectFieldTexts(obj);
        const bool same = std::equal(fa.begin(), fa.end(), fb.begin(), fb.end(), [](const FieldText& x, const FieldText& y) {
            return x.key == y.key && x.value == y.value;
        });
        if (!same) {
            heading();
            if (!printed)
                Print(name + " changed");
            PrintFieldChanges(fa, fb, "    ");
        }
    }
    for (size_t i = 0; i < a.objects.size(); ++i)
        if (!matchedA[i]) {
            heading();
            Print("  " + ObjectName(a.objects[i], i) + ": removed");
            PrintFields(ObjectFieldTexts(a.objects[i]), "    ");
        }
    return any;
}

// Prints every difference; true when there is one.
bool DiffProjects(const ProjectRecord& a, const ProjectRecord& b)
{
    bool any = PrintFieldChanges(HeaderFieldTexts(a.header), HeaderFieldTexts(b.header), "  ", "header");
    any = PrintFieldChanges(ViewFieldTexts(a.view), ViewFieldTexts(b.view), "  ", "view") || any;

    std::map<uint32_t, std::vector<size_t>> byId;
    for (size_t i = a.pages.size(); i-- > 0;)
        byId[a.pages[i].pageId].push_back(i);
    std::vector<Pair> pairs;
    std::vector<std::optional<size_t>> partnerOfB(b.pages.size());
    std::vector<bool> matchedA(a.pages.size());
    for (size_t j = 0; j < b.pages.size(); ++j) {
        auto found = byId.find(b.pages[j].pageId);
        if (found != byId.end() && !found->second.empty()) {
            pairs.push_back({found->second.back(), j});
            partnerOfB[j] = found->second.back();
            matchedA[found->second.back()] = true;
            found->second.pop_back();
        }
    }
    const std::set<size_t> inOrder = PairsInOrder(pairs);
    for (size_t j = 0; j < b.pages.size(); ++j) {
        if (!partnerOfB[j]) {
            Print(PageName(b.pages[j]) + ": added with " + std::to_string(b.pages[j].objects.size()) + " objects");
            PrintFields(PageFieldTexts(b.pages[j]), "  ");
            any = true;
            continue;
        }
        const size_t i = *partnerOfB[j];
        const std::string moved = inOrder.count(j) ? std::string()
                                                   : "moved in page order from #" + std::to_string(i + 1) + " to #" +
                                                         std::to_string(j + 1);
        any = DiffPage(a.pages[i], b.pages[j], moved) || any;
    }
    for (size_t i = 0; i < a.pages.size(); ++i)
        if (!matchedA[i]) {
            Print(PageName(a.pages[i]) + ": removed with " + std::to_string(a.pages[i].objects.size()) + " objects");
            any = true;
        }
    return any;
}

int RunDiff(const std::vector<std::string>& args)
{
    // Git's external diff driver passes seven arguments: the path, then the
    // old file, hash and mode, then the new file, hash and mode. It stops at
    // a non-zero exit, so in that form a difference exits with 0.
    const bool gitDriver = args.size() == 8 && args[0] == "--git";
    if (args.size() != 2 && !gitDriver) {
        std::fprintf(stderr, "usage: kdx diff A B   (each a .kdp or .kdpj)\n"
                             "       kdx diff --git PATH OLD HASH MODE NEW HASH MODE\n");
        return 2;
    }
    const std::string& pathA = gitDriver ? args[2] : args[0];
    const std::string& pathB = gitDriver ? args[5] : args[1];
    if (gitDriver)
        Print("kdx diff " + args[1]);
    ProjectRecord a, b;
    if (!(gitDriver && pathA == "/dev/null") && !LoadProject("diff", pathA, a))
        return 2;
    if (!(gitDriver && pathB == "/dev/null") && !LoadProject("diff", pathB, b))
        return 2;
    const bool differ = DiffProjects(a, b);
    std::fflush(stdout);
    return differ && !gitDriver ? 1 : 0;
}

Registrar reg(Command{"diff", "diff A B | --git PATH OLD HASH MODE NEW HASH MODE   (projects in either form; exit 1 when they differ; --git as git's diff command)", RunDiff, 2});

} // namespace
} // namespace kdx::cli
