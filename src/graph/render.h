// Pictures of the include graph, drawn from its DOT text by Graphviz's
// library (libgvc and libcgraph) inside the process.
#ifndef CLUDEMAP_GRAPH_RENDER_H_
#define CLUDEMAP_GRAPH_RENDER_H_

#include <string>
#include <string_view>
#include <vector>

#include "util/error.h"

struct RenderRequest {
  std::string format;          // a picture format: "svg", "png" or "pdf"
  std::string engine = "dot";  // a Graphviz layout engine, as knownEngine() lists
};

// Why a picture cannot be drawn where the build has no rendering
// (renderingAvailable() is false).
inline constexpr std::string_view kRenderingUnavailableMessage =
    "this build cannot render pictures (built without Graphviz's library); "
    "write DOT and run dot -Tsvg";

// False where the tool was built without Graphviz's library (the Windows
// cross build); GraphRenderer::render() then always fails.
bool renderingAvailable();

// The formats GraphRenderer draws: "svg", "png" and "pdf".
bool pictureFormat(std::string_view format);
// Graphviz's layout engines: circo, dot, fdp, neato, osage, patchwork, sfdp
// and twopi. Builds of Graphviz may lack some; GraphRenderer says so.
bool knownEngine(std::string_view engine);

struct GVC_s;

// Graphviz's library, loaded and ready to draw. Make one and keep it for
// every picture of the process: Graphviz 2.42's text layout plugin keeps a
// pointer into the font table of the context it last worked for, and reads
// it when a later context draws text, after the first one freed it. Not for
// use on two threads at once: Graphviz keeps state process-wide.
class GraphRenderer {
 public:
  GraphRenderer();
  ~GraphRenderer();
  GraphRenderer(const GraphRenderer&) = delete;
  GraphRenderer& operator=(const GraphRenderer&) = delete;

  // Lays out the DOT graph `dotText` with the request's engine and draws it
  // in its format: returns the picture's bytes. PNG is drawn at Graphviz's
  // 96 dots per inch: each side has round(points * 4 / 3) pixels, where the
  // SVG gives its size in points, except that a PNG drawing is scaled down
  // to fit 340 inches (32640 pixels) a side, as cairo draws no larger
  // bitmaps. Fails with kUsage for an unknown format or engine,
  // kUnusableInput in a build without rendering, and kOutput for a graph
  // Graphviz cannot read or a failed layout or drawing. Graphviz prints
  // nothing meanwhile.
  Expected<std::string> render(std::string_view dotText, const RenderRequest& request);

 private:
  GVC_s* context_ = nullptr;  // null where there is no rendering
};

#endif  // CLUDEMAP_GRAPH_RENDER_H_
