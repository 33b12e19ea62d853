#include "graph/render.h"

#include <algorithm>
#include <initializer_list>

#if defined(CLUDEMAP_HAVE_GRAPHVIZ)
#include <gvc.h>

#include <cstdlib>
#endif

namespace {

bool listed(std::string_view word, std::initializer_list<std::string_view> list) {
  return std::find(list.begin(), list.end(), word) != list.end();
}

#if defined(CLUDEMAP_HAVE_GRAPHVIZ)

constexpr bool kRenderingAvailable = true;

// Graphviz's messages, kept off standard error for one rendering. Graphviz
// holds its error level and its messages process-wide; the level is handed
// back afterwards.
class QuietGraphviz {
 public:
  QuietGraphviz() : previousLevel_(agseterr(AGMAX)) { agreseterrors(); }
  ~QuietGraphviz() { agseterr(previousLevel_); }
  QuietGraphviz(const QuietGraphviz&) = delete;
  QuietGraphviz& operator=(const QuietGraphviz&) = delete;

  // `what`, followed by Graphviz's last error message on one line where it
  // gave one since this object was made.
  static Error failure(const std::string& what) {
    char* message = agerrors() >= AGERR ? aglasterr() : nullptr;
    std::string text = message != nullptr ? message : "";
    std::free(message);
    std::replace(text.begin(), text.end(), '\n', ' ');
    text.erase(text.find_last_not_of(' ') + 1);
    return {ErrorCategory::kOutput, text.empty() ? what : what + ": " + text};
  }

 private:
  agerrlevel_t previousLevel_;
};

// Cairo draws bitmaps of at most 32767 pixels a side; beyond that Graphviz
// scales the picture itself and says so on standard error, naming no
// program. A drawing of at most 340 inches (32640 pixels at 96 dots per
// inch) is scaled quietly instead, unless the graph sets its own size.
void fitBitmap(Agraph_t* graph) {
  const char* size = agget(graph, const_cast<char*>("size"));
  if (size != nullptr && *size != '\0') return;
  agsafeset(graph, const_cast<char*>("size"), const_cast<char*>("340,340"), const_cast<char*>(""));
}

// Releases what drawing one graph took, in the order Graphviz needs.
struct Drawing {
  GVC_t* context;
  Agraph_t* graph = nullptr;
  bool laidOut = false;

  explicit Drawing(GVC_t* gvc) : context(gvc) {}
  Drawing(const Drawing&) = delete;
  Drawing& operator=(const Drawing&) = delete;
  ~Drawing() {
    if (laidOut) gvFreeLayout(context, graph);
    if (graph != nullptr) agclose(graph);
  }
};

Expected<std::string> draw(GVC_t* context, std::string_view dotText, const RenderRequest& request) {
  const QuietGraphviz quiet;
  if (context == nullptr) return Error{ErrorCategory::kOutput, "Graphviz's library cannot start"};
  Drawing drawing(context);
  // Graphviz's reader keeps what follows a graph's closing brace for the next
  // graph it reads, and counts its lines there: the text ends at the brace.
  const std::string text(dotText.substr(0, dotText.find_last_not_of(" \t\r\n") + 1));
  drawing.graph = agmemread(text.c_str());
  if (drawing.graph == nullptr) return QuietGraphviz::failure("Graphviz cannot read the graph");
  if (request.format == "png") fitBitmap(drawing.graph);
  if (gvLayout(context, drawing.graph, request.engine.c_str()) != 0) {
    return QuietGraphviz::failure("Graphviz cannot lay out the graph with " + request.engine);
  }
  drawing.laidOut = true;
  char* data = nullptr;
  unsigned int length = 0;
  if (gvRenderData(context, drawing.graph, request.format.c_str(), &data, &length) != 0) {
    gvFreeRenderData(data);
    return QuietGraphviz::failure("Graphviz cannot draw " + request.format);
  }
  std::string bytes(data, length);
  gvFreeRenderData(data);
  return bytes;
}

GVC_t* startGraphviz() {
  const QuietGraphviz quiet;
  return gvContext();
}

void stopGraphviz(GVC_t* context) {
  if (context != nullptr) gvFreeContext(context);
}

#else

constexpr bool kRenderingAvailable = false;

GVC_s* startGraphviz() { return nullptr; }
void stopGraphviz(GVC_s*) {}

Expected<std::string> draw(GVC_s*, std::string_view, const RenderRequest&) {
  return Error{ErrorCategory::kUnusableInput, std::string(kRenderingUnavailableMessage)};
}

#endif

}  // namespace

bool renderingAvailable() { return kRenderingAvailable; }

bool pictureFormat(std::string_view format) { return listed(format, {"svg", "png", "pdf"}); }

bool knownEngine(std::string_view engine) {
  return listed(engine, {"circo", "dot", "fdp", "neato", "osage", "patchwork", "sfdp", "twopi"});
}

GraphRenderer::GraphRenderer() : context_(startGraphviz()) {}

GraphRenderer::~GraphRenderer() { stopGraphviz(context_); }

Expected<std::string> GraphRenderer::render(std::string_view dotText,
                                            const RenderRequest& request) {
  if (!pictureFormat(request.format)) {
    return Error{ErrorCategory::kUsage, "unknown picture format \"" + request.format + "\""};
  }
  if (!knownEngine(request.engine)) {
    return Error{ErrorCategory::kUsage, "unknown layout engine \"" + request.engine + "\""};
  }
  return draw(context_, dotText, request);
}
