// Stands in for the stand-in's export header: these headers need none.
#pragma once
