// The markup document on the generated 282 KB definition (48 tabs, 2,000 parameters): parse,
// navigate every parameter, and serialise back to bytes, next to the program's XML tree reader on
// the same text (its parse is BM_DefinitionParseTree). Run by hand:
// build/bench/brelvano_bench --benchmark_filter='Markup|XmlTree|DefinitionParseTree'
#include <benchmark/benchmark.h>

#include <string>

#include "generated_definition.h"
#include "gui/dlg/xmltree.h"
#include "reference/markup/markup.h"

namespace {

using benchsupport::GeneratedDefinition;

// Reads what a definition loader reads: every tab's title and every parameter's name, type, id and
// options. Returns the number of values read.
int WalkMarkup(CMarkupDocument& doc) {
  int values = 0;
  doc.SetPosition(0, 0, 0);
  if (!doc.FindElement(L"brelvano")) return 0;
  doc.EnterElement();
  while (doc.FindElement(L"grp")) {
    values += !doc.GetAttribute(L"title").IsEmpty();
    doc.EnterElement();
    while (doc.FindElement(L"item")) {
      values += !doc.GetAttribute(L"fid").IsEmpty() + !doc.GetAttribute(L"type").IsEmpty() +
                !doc.GetAttribute(L"ID").IsEmpty();
      while (doc.FindChildElement(L"ele")) values += !doc.GetElementData(doc.GetChildIndex()).IsEmpty();
    }
    doc.LeaveElement();
  }
  return values;
}

int WalkTree(CXmlTree& tree) {
  int values = 0;
  for (XmlIterator root = tree.begin(); root != nullptr; ++root) {
    for (XmlIterator grp = root.ChildBegin(); grp != nullptr; ++grp) {
      values += grp.GetAttribute(L"title") != nullptr;
      for (XmlIterator item = grp.ChildBegin(); item != nullptr; ++item) {
        values += (item.GetAttribute(L"fid") != nullptr) + (item.GetAttribute(L"type") != nullptr) +
                  (item.GetAttribute(L"ID") != nullptr);
        for (XmlIterator ele = item.ChildBegin(); ele != nullptr; ++ele) values += !ele.GetText().IsEmpty();
      }
    }
  }
  return values;
}

// The tree reader keeps no text: serialising it means writing its elements out again.
void WriteTree(XmlElement* element, std::u16string& out) {
  for (XmlElement* e = element; e;) {
    out += u"<" + e->name.ToUtf16();
    for (XmlAttribute* a = e->attr; a; a = a->next) out += u" " + a->name.ToUtf16() + u"=\"" + a->value.ToUtf16() + u"\"";
    out += u">" + e->text.ToUtf16();
    WriteTree(e->child, out);
    out += u"</" + e->name.ToUtf16() + u">";
    e = e->next == element ? nullptr : e->next;
    if (e == element) break;
  }
}

void BM_MarkupParse(benchmark::State& state) {
  const std::string bytes = GeneratedDefinition();
  for (auto _ : state) {
    CMarkupDocument doc;
    doc.SetDocumentText(CString::FromUtf8(bytes));
    benchmark::DoNotOptimize(doc.GetPositionCount());
    state.counters["elements"] = doc.GetPositionCount() - 1;
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_MarkupParse)->Unit(benchmark::kMillisecond);

void BM_MarkupNavigate(benchmark::State& state) {
  CMarkupDocument doc;
  doc.SetDocumentText(CString::FromUtf8(GeneratedDefinition()));
  for (auto _ : state) benchmark::DoNotOptimize(WalkMarkup(doc));
  state.counters["values"] = WalkMarkup(doc);
}
BENCHMARK(BM_MarkupNavigate)->Unit(benchmark::kMillisecond);

void BM_XmlTreeNavigate(benchmark::State& state) {
  CXmlTree tree;
  tree.LoadBytes(GeneratedDefinition(), TRUE);
  for (auto _ : state) benchmark::DoNotOptimize(WalkTree(tree));
  state.counters["values"] = WalkTree(tree);
}
BENCHMARK(BM_XmlTreeNavigate)->Unit(benchmark::kMillisecond);

void BM_MarkupSerialise(benchmark::State& state) {
  CMarkupDocument doc;
  doc.SetDocumentText(CString::FromUtf8(GeneratedDefinition()));
  for (auto _ : state) benchmark::DoNotOptimize(doc.GetDocumentText().ToUtf8());
}
BENCHMARK(BM_MarkupSerialise)->Unit(benchmark::kMillisecond);

void BM_XmlTreeSerialise(benchmark::State& state) {
  CXmlTree tree;
  tree.LoadBytes(GeneratedDefinition(), TRUE);
  for (auto _ : state) {
    std::u16string out;
    WriteTree(tree.Root().child, out);
    benchmark::DoNotOptimize(CString::FromUtf16(out).ToUtf8());
  }
}
BENCHMARK(BM_XmlTreeSerialise)->Unit(benchmark::kMillisecond);

// Start tags nested n deep that are never closed: the end of the parse closes every one of them.
// Run by hand: build/bench/brelvano_bench --benchmark_filter=MarkupUnclosedNesting
void BM_MarkupUnclosedNesting(benchmark::State& state) {
  const int depth = static_cast<int>(state.range(0));
  std::u16string text;
  text.reserve(static_cast<size_t>(depth) * 3);
  for (int i = 0; i < depth; ++i) text += u"<a>";
  const CString doc = CString::FromUtf16(text);
  for (auto _ : state) {
    CMarkupDocument markup;
    markup.SetDocumentText(doc);
    benchmark::DoNotOptimize(markup.GetPositionCount());
  }
  state.counters["elements"] = depth;
}
BENCHMARK(BM_MarkupUnclosedNesting)->Arg(12500)->Arg(25000)->Arg(50000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
