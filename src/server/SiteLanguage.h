#pragma once

namespace pimra::server {

// The language of a page of the site: its texts, its addresses and its refusals.
enum class SiteLanguage { Russian, English };

}  // namespace pimra::server
