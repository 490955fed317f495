-- String functions in a loop: 200,000 times a short text is put together by
-- concatenation and tostring, cut with string.sub, upper-cased, searched with
-- string.find and measured with #; prints the counts and a sum of the results.
local n, k, m = 0, 0, 0
for i = 1, 200000 do
  local s = "item " .. tostring(i) .. " of the list"
  local t = string.upper(string.sub(s, 1, 9))
  if (string.find(t, "7", 1, true) or 0) > 0 then n = n + 1 end
  local p = string.find(s, " of", 1, true) or 0
  local u = string.sub(s, p + 1, p + 6) .. "/" .. t
  k = k + #u + (string.find(string.upper(s), "OF", 1, true) or 0)
  if string.sub(t, 6, 6) == "1" then m = m + 1 end
end
print(n .. " " .. k .. " " .. m)
