// What the guard looks at in an HTTP request, read from Boost.Beast's request.
#pragma once

#include <boost/beast/http.hpp>

#include "web/web_guard.h"

namespace kest_host::web {

// The request's method, target and the headers the guard weighs; views into `request`,
// valid while it lives.
request_facts facts_of(const boost::beast::http::request<boost::beast::http::empty_body>& request);

}  // namespace kest_host::web
