# One row per region: the two-row data area grows to fit, so the totals
# and the chart below it cover every region.
@Regions=2;Sales;5;1
SELECT region, COUNT(*), SUM(units), ROUND(SUM(amount), 2)
  FROM month_sales
  GROUP BY region
  ORDER BY region
