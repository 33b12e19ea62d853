// The page's fixed text, made at build time from page.html, page.css and
// the page_*.js scripts (EmbedPage.cmake): the whole page but for two
// markers, @PICTURE@ and @DATA@, where the picture and the data go.
#ifndef CLUDEMAP_HTML_PAGE_SKELETON_H_
#define CLUDEMAP_HTML_PAGE_SKELETON_H_

#include <string_view>

extern const std::string_view kPageSkeleton;

#endif  // CLUDEMAP_HTML_PAGE_SKELETON_H_
