-- Builds a 200,000-character string one character at a time (a, b, c, d, e
-- in turn), then counts its letters a by index: prints 200000 40000.
-- Plain appending on purpose, as a script writes it.
local s = ""
for i = 0, 199999 do
  s = s .. string.char(97 + i % 5)
end
local n = 0
for i = 1, #s do
  if string.sub(s, i, i) == "a" then n = n + 1 end
end
print(#s .. " " .. n)
